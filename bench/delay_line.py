#!/usr/bin/env python3
"""A line with a delay each way, for the benchmarks of play through a meeting point: TCP connections to
LISTEN are carried to TARGET, or UDP datagrams to LISTEN to TARGET and their answers back, every byte
MS milliseconds late in each direction, in order; nothing is lost.

    delay_line.py tcp|udp LISTEN_ADDRESS:PORT TARGET_ADDRESS:PORT MS"""
import asyncio
import socket
import sys
import time

kind, listen, target, delay = sys.argv[1], sys.argv[2].split(":"), sys.argv[3].split(":"), float(sys.argv[4]) / 1000
listen, target = (listen[0], int(listen[1])), (target[0], int(target[1]))


async def pump(reader, writer):
    queue = asyncio.Queue()

    async def late():
        while (item := await queue.get()) is not None:
            await asyncio.sleep(max(0.0, item[0] - time.monotonic()))
            writer.write(item[1])
            await writer.drain()
        writer.close()

    sender = asyncio.create_task(late())
    while data := await reader.read(65536):
        queue.put_nowait((time.monotonic() + delay, data))
    queue.put_nowait(None)
    await sender


async def carry(reader, writer):
    try:
        upstream = await asyncio.open_connection(*target)
    except OSError:
        writer.close()
        return
    writer.get_extra_info("socket").setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    upstream[1].get_extra_info("socket").setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    await asyncio.gather(pump(reader, upstream[1]), pump(upstream[0], writer), return_exceptions=True)


class Datagrams(asyncio.DatagramProtocol):
    """The friends' side: each friend's datagrams go on from a socket of its own, as through a NAT."""

    def __init__(self):
        self.front, self.backs = None, {}

    def datagram_received(self, data, source):  # from a friend: on to the target, late
        asyncio.get_running_loop().call_later(delay, self.forward, data, source)

    def forward(self, data, source):
        if source not in self.backs:
            self.backs[source] = asyncio.ensure_future(asyncio.get_running_loop().create_datagram_endpoint(
                lambda: Answers(self, source), remote_addr=target))
        self.backs[source].add_done_callback(lambda made: made.result()[0].sendto(data))


class Answers(asyncio.DatagramProtocol):
    def __init__(self, front, peer):
        self.front, self.peer = front, peer

    def datagram_received(self, data, source):  # from the target: back to its friend, late
        asyncio.get_running_loop().call_later(delay, self.front.front.sendto, data, self.peer)


async def main():
    if kind == "tcp":
        server = await asyncio.start_server(carry, *listen)
        print("listening", flush=True)
        await server.serve_forever()
    loop = asyncio.get_running_loop()
    front = Datagrams()
    front.front, _ = await loop.create_datagram_endpoint(lambda: front, local_addr=listen)
    print("listening", flush=True)
    await asyncio.Event().wait()


asyncio.run(main())
