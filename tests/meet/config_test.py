#!/usr/bin/env python3
"""The meeting point's shipped configuration (meet/) on the real nats-server, on loopback:
one server as meet.conf has it, then the three-server cluster example. Only the ports are
moved to free ones and the addresses to 127.0.0.1, so that nothing listens beyond this
machine and the test runs beside others.

    config_test.py SOURCE"""
import contextlib, os, random, re, shutil, socket, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import nats_wire

faults = []


def check(held, what):
    held or faults.append(what)


def free_ports(count):
    ports = []
    while len(ports) < count:
        port = random.randrange(20000, 32000)
        with contextlib.suppress(OSError), socket.socket() as probe:
            probe.bind(("127.0.0.1", port))
            port in ports or ports.append(port)
    return ports


def moved(source, work):
    """meet/ copied to work with every port replaced by a free one, every address by loopback."""
    shutil.copytree(f"{source}/meet", f"{work}/meet")
    files = [f"{work}/meet/meet.conf"] + sorted(f"{work}/meet/cluster/{name}" for name in os.listdir(f"{work}/meet/cluster"))
    shipped = sorted({int(port) for path in files for port in re.findall(r":(\d{4,5})\b", open(path).read())})
    ports = dict(zip(shipped, free_ports(len(shipped))))
    for path in files:
        text = re.sub(r":(\d{4,5})\b", lambda m: f":{ports[int(m[1])]}", open(path).read())
        open(path, "w").write(text.replace('"0.0.0.0:', '"127.0.0.1:'))
    return ports


def one_server(work, ports, log):
    server = nats_wire.start_server(f"{work}/meet/meet.conf", log)
    try:
        tcp, websocket = ports[4222], ports[4223]
        host, friend = nats_wire.Client(tcp), nats_wire.Client(websocket, websocket=True)
        check('"max_payload":16384' in host.info, f"not the game's largest message: {host.info}")
        # A game on TCP and a page on the WebSocket meet under tq.
        host.subscribe("tq.name", 1), friend.subscribe("tq.name.conversation", 1)
        check(host.ping() and friend.ping(), "subscriptions under tq. refused")
        friend.publish("tq.name", b"knock"), host.publish("tq.name.conversation", b"answer")
        check(host.messages() == [("tq.name", b"knock")], "TCP did not hear the WebSocket")
        check(friend.messages() == [("tq.name.conversation", b"answer")], "the WebSocket did not hear TCP")
        check(not host.errors() and not friend.errors(), "the game's own subjects gave errors")
        # Anything beyond the game's subjects is refused, on both doors, and the connection stays.
        for client in (host, friend):
            for line, subject in ((b"SUB > 9\r\n", ">"), (b"SUB $SYS.> 9\r\n", "$SYS.>"),
                                  (b"SUB _INBOX.> 9\r\n", "_INBOX.>"), (b"PUB $SYS.REQ.SERVER.PING 0\r\n\r\n",
                                                                        "$SYS.REQ.SERVER.PING"),
                                  (b"PUB other 1\r\nx\r\n", "other"), (b"SUB tqx.> 9\r\n", "tqx.>")):
                client.send(line)
                check(any("Permissions Violation" in error and f'"{subject}"' in error for error in client.errors()),
                      f"{subject} was not refused")
        # The largest message passes; one byte more is refused and its sender cut.
        host.subscribe("tq.big", 2)
        host.ping()
        friend.publish("tq.big", b"x" * 16384)
        check([len(payload) for _, payload in host.messages()] == [16384], "the largest message did not pass")
        friend.publish("tq.big", b"x" * 16385)
        check(not friend.ping(), "a message past max_payload was taken")
        check(host.messages() == [], "a message past max_payload came through")
        # A game holds at most 16 subscriptions.
        crowd = nats_wire.Client(tcp)
        for sid in range(1, 18):
            crowd.subscribe(f"tq.many.{sid}", sid)
        check(any("maximum subscriptions exceeded" in e.lower() for e in crowd.errors()), "a 17th subscription was taken")
        for client in (host, friend, crowd):
            client.close()
    finally:
        server.terminate(), server.wait(5)


def cluster(work, ports, log):
    servers = [nats_wire.start_server(f"{work}/meet/cluster/{name}.conf", log) for name in "abc"]
    try:
        clients = [nats_wire.Client(ports[port]) for port in (4222, 4232, 4242)]
        for n, client in enumerate(clients):
            client.subscribe(f"tq.on.{n}", 1)
            client.ping()
        # The routes take a moment to form; then each server's client hears every other's.
        heard = lambda: clients[1].publish("tq.on.0", b"?") or clients[0].messages(0.2)
        end = time.monotonic() + 10
        while not heard() and time.monotonic() < end:
            pass
        check(time.monotonic() < end, "the cluster's routes did not form within 10 s")
        time.sleep(0.3), clients[0].messages(0.2)
        for sender in range(3):
            for listener in range(3):
                if sender != listener:
                    clients[sender].publish(f"tq.on.{listener}", f"{sender}>{listener}".encode())
                    check(clients[listener].messages() == [(f"tq.on.{listener}", f"{sender}>{listener}".encode())],
                          f"server {sender} did not reach server {listener}")
        for client in clients:
            client.close()
    finally:
        for server in servers:
            server.terminate(), server.wait(5)


def main(source):
    shutil.which("nats-server") or sys.exit(print("SKIP: nats-server is not installed") or 77)
    work = tempfile.mkdtemp(prefix="meet.")
    try:
        ports = moved(source, work)
        with open(f"{work}/server.log", "w") as log:
            one_server(work, ports, log)
            cluster(work, ports, log)
        errors = [line for line in open(f"{work}/server.log") if "[ERR]" in line or "[FTL]" in line]
        # The test's own tries, the cluster's first routes tried before the other servers listen, and a write to a
        # client the server had just cut or that the test closed (seen in a loaded run).
        expected = re.compile(r"Violation|maximum (subscriptions|payload) exceeded|trying to connect to route|"
                              r"Error flushing: .*(broken pipe|connection reset by peer)", re.I)
        unexpected = [error for error in errors if not expected.search(error)]
        check(not unexpected, f"the servers reported: {unexpected[:5]}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("\n".join(faults) or "the meeting point's configuration holds")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]))
