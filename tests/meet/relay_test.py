#!/usr/bin/env python3
"""The relayed line through a real nats-server on loopback, with the game's own client edge and
rules (meet_probe): a host and a friend meet by the code and talk while a stranger hears
everything it may and plays it back with garbage; the server killed and started again; a
meeting point that is not there; a code no host has.

    relay_test.py MEET_PROBE SOURCE"""
import os, random, re, shutil, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import nats_wire
from config_test import free_ports

CODE = "k3m9xq2tvw"
faults = []


def check(held, what):
    held or faults.append(what)


def figures(text):  # took, out of order, sent, dropped, close ms
    found = re.search(r"took (\d+), out of order (\d+), sent (\d+), dropped (\d+), close (\d+) ms", text)
    return [int(n) for n in found.groups()] if found else None


class Rig:
    def __init__(self, probe, source):
        self.probe, self.work = probe, tempfile.mkdtemp(prefix="relay.")
        self.port = free_ports(1)[0]
        shutil.copy(f"{source}/meet/game.conf", self.work)
        open(f"{self.work}/meet.conf", "w").write(f'listen: "127.0.0.1:{self.port}"\ninclude "game.conf"\n')
        self.log, self.server = open(f"{self.work}/server.log", "a"), None

    def start_server(self):
        self.server = nats_wire.start_server(f"{self.work}/meet.conf", self.log)

    def stop_server(self, signal_name="TERM"):
        self.server.kill() if signal_name == "KILL" else self.server.terminate()
        self.server.wait(5)

    def run(self, side, seconds, code=CODE):
        out = open(f"{self.work}/{side}.{time.monotonic_ns()}.out", "w+")
        return subprocess.Popen([self.probe, side, "127.0.0.1", str(self.port), code, str(seconds)], stdout=out,
                                stderr=subprocess.STDOUT), out

    def said(self, started, pattern, limit=20):  # whether the side said it within limit seconds
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if re.search(pattern, open(started[1].name).read()):
                return True
            time.sleep(0.1)
        return False

    def finish(self, started, limit):
        process, out = started
        try:
            status = process.wait(limit)
        except subprocess.TimeoutExpired:
            process.kill(), process.wait()
            status = "hung"
        out.seek(0)
        return status, out.read()


def meet_with_stranger(rig):
    rig.start_server()
    host = rig.run("host", 10)
    time.sleep(0.3)
    friend = rig.run("friend", 9)
    stranger = nats_wire.Client(rig.port)
    stranger.subscribe("tq.>", 1)
    stranger.ping()
    check(rig.said(friend, "answered"), "the friend was not answered")
    heard = stranger.messages(3)
    check(len(heard) > 50, f"the stranger heard only {len(heard)} messages")
    everything = b"".join(subject.encode() + payload for subject, payload in heard)
    check(CODE.encode() not in everything and CODE.upper().encode() not in everything,
          "the code went through the meeting point")
    rng = random.Random(5)
    end = time.monotonic() + 4
    while time.monotonic() < end:  # played back whole, cut, lengthened, bent, and garbage
        for subject, payload in rng.sample(heard, min(40, len(heard))):
            for bent in (payload, payload[:-1], payload + b"x", bytes([payload[0]]) + bytes(len(payload) - 1),
                         bytes(rng.randrange(256) for _ in range(rng.randrange(1, 80)))):
                stranger.publish(subject, bent)
        stranger.ping()
    stranger.close()
    for side, started in (("host", host), ("friend", friend)):
        status, said = rig.finish(started, 15)
        counted = figures(said)
        check(status == 0 and counted, f"{side} ended {status}: {said}")
        if counted:
            took, disorder, sent, dropped, close = counted
            check(took > 150 and disorder == 0, f"{side} took {took}, {disorder} out of order: {said}")
            check(close < 1500, f"{side} took {close} ms to close")
    rig.stop_server()


def server_lost(rig):
    rig.start_server()
    host = rig.run("host", 14)
    time.sleep(0.3)
    friend = rig.run("friend", 13)
    check(rig.said(host, "heard the friend"), "the host did not hear the friend")
    time.sleep(1)
    rig.stop_server("KILL")
    time.sleep(2)
    rig.start_server()
    for side, started in (("host", host), ("friend", friend)):
        status, said = rig.finish(started, 20)
        counted = figures(said)
        check(status == 0 and counted and "line lost" in said and "line back" in said,
              f"{side} did not come back: {said}")
        if counted:
            check(counted[0] > 200 and counted[1] == 0, f"{side} after the restart: {said}")
    rig.stop_server()


def nobody_there(rig):
    # No meeting point at all: told within its wait, and closed promptly although libnats is
    # still trying.
    status, said = rig.finish(rig.run("friend", 30), 15)
    check(status == 3 and "meeting point unreachable" in said, f"no meeting point: {status} {said}")
    counted = figures(said)
    check(counted and counted[4] < 2 * 1000, f"no meeting point: not closed within 2 s: {said}")
    # A host that started before the meeting point: it gets there once the server is up.
    host = rig.run("host", 12)
    time.sleep(2)
    rig.start_server()
    check(rig.said(host, "line up"), "the host did not reach the meeting point that came late")
    status, said = rig.finish(rig.run("friend", 5), 12)
    check(status == 0 and "answered" in said, f"a meeting point that came late: {status} {said}")
    status, said = rig.finish(host, 12)
    check(status == 0 and "heard the friend" in said, f"the host before the meeting point: {status} {said}")
    # A meeting point, and no host with this code.
    status, said = rig.finish(rig.run("friend", 30, code="2222222222"), 12)
    check(status == 3 and "no answer" in said, f"no host: {status} {said}")
    rig.stop_server()


def main(probe, source):
    shutil.which("nats-server") or sys.exit(print("SKIP: nats-server is not installed") or 77)
    rig = Rig(probe, source)
    try:
        for scenario in (meet_with_stranger, server_lost, nobody_there):
            scenario(rig)
    finally:
        rig.server and rig.server.poll() is None and (rig.server.kill(), rig.server.wait())
        os.environ.get("KEEP_WORK") or shutil.rmtree(rig.work, ignore_errors=True)
    print("\n".join(faults) or "the relayed line holds")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))
