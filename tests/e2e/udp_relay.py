"""A poor line between a friend's game and a host on this machine, for the online tests and
benchmarks: every datagram is delayed by 75 ms each way and 2 % are dropped.

    udp_relay.py <listen port> <host port> [seconds, default 110]

The friend joins 127.0.0.1:<listen port>; the relay ends by itself after the given time."""
import heapq
import random
import select
import socket
import sys
import time

listen, target = int(sys.argv[1]), ("127.0.0.1", int(sys.argv[2]))
ends = time.time() + (float(sys.argv[3]) if len(sys.argv) > 3 else 110)
front = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
front.bind(("127.0.0.1", listen))
back = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
friend, queue = None, []
while time.time() < ends:
    wait = max(0.0, queue[0][0] - time.time()) if queue else 0.05
    for sock in select.select([front, back], [], [], wait)[0]:
        data, source = sock.recvfrom(65536)
        if sock is front:
            friend = source
        if random.random() >= 0.02 and friend is not None:
            out = (back, target) if sock is front else (front, friend)
            heapq.heappush(queue, (time.time() + 0.075, random.random(), data, out))
    while queue and queue[0][0] <= time.time():
        _, _, data, (sock, address) = heapq.heappop(queue)
        sock.sendto(data, address)
