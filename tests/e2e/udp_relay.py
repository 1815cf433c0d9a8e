"""A poor line from a friend (who joins 127.0.0.1:<listen port>) to a host here: each datagram delayed, some dropped
by a seeded generator, the same each run; it says "listening" once it is, and ends after the given time. For the
online tests and benchmarks.
    udp_relay.py <listen port> <host port> [seconds, 110] [--seed N, 1] [--loss P, 0.02] [--delay MS, 75]"""
import argparse, heapq, itertools, random, select, socket, time

options = argparse.ArgumentParser()
for name, default in (("listen", 0), ("target", 0), ("seconds", 110.0), ("--seed", 1), ("--loss", 0.02),
                      ("--delay", 75.0)):
    options.add_argument(name, type=type(default), default=default, nargs="?" if name == "seconds" else None)
settings = options.parse_args()
chance = random.Random(settings.seed)
target = ("127.0.0.1", settings.target)
ends = time.time() + settings.seconds
front, back = socket.socket(type=socket.SOCK_DGRAM), socket.socket(type=socket.SOCK_DGRAM)
front.bind(("127.0.0.1", settings.listen))
print("listening", flush=True)  # for whoever waits to send through it
friend, queue, order = None, [], itertools.count()
while time.time() < ends:
    wait = max(0.0, queue[0][0] - time.time()) if queue else 0.05
    for sock in select.select([front, back], [], [], wait)[0]:
        data, source = sock.recvfrom(65536)
        friend = source if sock is front else friend
        if chance.random() >= settings.loss and friend is not None:
            out = (back, target) if sock is front else (front, friend)
            heapq.heappush(queue, (time.time() + settings.delay / 1000, next(order), data, out))
    while queue and queue[0][0] <= time.time():
        _, _, data, (sock, address) = heapq.heappop(queue)
        sock.sendto(data, address)
