#!/usr/bin/env python3
"""A home router that answers the game badly, for the end-to-end tests, run in the rig's router
namespace on its inside address: fake_router.py MODE ADDRESS LOG.

  drip     answers the UPnP search with its description's address, then sends that description
           one byte every 3 seconds, without end (as anyone on the home network can).
  renewal  NAT-PMP: its public address 5.5.5.1, and the first mapping for 4 seconds; every later
           mapping request is refused (not authorised), as a router that changed its mind.
  silent   hears the UPnP searches and answers none, as a network without a router that speaks it.

Each request it takes is appended to LOG as a line ("search", "description", "address",
"mapping 27183 3600", "refused"). It ends when killed."""
import socket, struct, sys, threading, time

MODE, ADDRESS, LOG = sys.argv[1:4]
DESCRIPTION_PORT = 5556


def log(line):
    with open(LOG, "a") as out:
        out.write(line + "\n")


def drip(answer=True):
    search = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    search.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    search.bind(("", 1900))
    search.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                      socket.inet_aton("239.255.255.250") + socket.inet_aton(ADDRESS))
    listener = socket.create_server((ADDRESS, DESCRIPTION_PORT))

    def serve():
        while True:
            client, _ = listener.accept()
            log("description")
            threading.Thread(target=trickle, args=(client,), daemon=True).start()

    def trickle(client):
        try:
            client.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 100000\r\n\r\n")
            while True:
                client.sendall(b" ")
                time.sleep(3)
        except OSError:
            client.close()

    threading.Thread(target=serve, daemon=True).start()
    while True:
        data, sender = search.recvfrom(2048)
        if not data.startswith(b"M-SEARCH"):
            continue
        log("search")
        if not answer:
            continue
        kind = next((line.split(b":", 1)[1].strip() for line in data.split(b"\r\n") if line.upper().startswith(
            b"ST:")), b"upnp:rootdevice")
        search.sendto(b"HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: " + kind + b"\r\nUSN: uuid:tq-fake::"
                      + kind + b"\r\nEXT:\r\nSERVER: fake/1 UPnP/1.1 fake/1\r\nLOCATION: http://" + ADDRESS.encode()
                      + b":%d/rootDesc.xml\r\n\r\n" % DESCRIPTION_PORT, sender)


def renewal():
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind((ADDRESS, 5351))
    start, mapped = time.monotonic(), False
    while True:
        data, sender = server.recvfrom(64)
        epoch = int(time.monotonic() - start)
        if len(data) == 2 and data[1] == 0:
            log("address")
            server.sendto(struct.pack("!BBHI4s", 0, 128, 0, epoch, socket.inet_aton("5.5.5.1")), sender)
        elif len(data) == 12 and data[1] in (1, 2):
            private, public, lifetime = struct.unpack("!HHI", data[4:12])
            refused = mapped and lifetime > 0
            log("refused" if refused else f"mapping {private} {lifetime}")
            mapped = mapped or lifetime > 0
            server.sendto(struct.pack("!BBHIHHI", 0, 128 + data[1], 2 if refused else 0, epoch, private,
                                      public or private, 0 if refused else min(lifetime, 4)), sender)


{"drip": drip, "renewal": renewal, "silent": lambda: drip(False)}[MODE]()
