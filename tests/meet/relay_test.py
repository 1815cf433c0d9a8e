#!/usr/bin/env python3
"""The relayed line through a real nats-server on loopback, with the game's own client edge and
rules (meet_probe), where the namespaced homes of tests/e2e/run.py do not go: a meeting point
that is not there, a host that comes before its meeting point, a code no host has. (Strangers
and a server killed mid-match are played there, with the real game.)

    relay_test.py MEET_PROBE SOURCE"""
import os, re, shutil, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import nats_wire
from config_test import free_ports

CODE = "k3m9xq2tvw"
faults = []


def check(held, what):
    held or faults.append(what)


class Rig:
    def __init__(self, probe, source):
        self.probe, self.work = probe, tempfile.mkdtemp(prefix="relay.")
        self.port = free_ports(1)[0]
        shutil.copy(f"{source}/meet/game.conf", self.work)
        open(f"{self.work}/meet.conf", "w").write(f'listen: "127.0.0.1:{self.port}"\ninclude "game.conf"\n')
        self.log, self.server = open(f"{self.work}/server.log", "a"), None

    def start_server(self):
        self.server = nats_wire.start_server(f"{self.work}/meet.conf", self.log)

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


def nobody_there(rig):
    # No meeting point at all: told within its wait, and closed promptly although libnats is
    # still trying.
    status, said = rig.finish(rig.run("friend", 30), 15)
    check(status == 3 and "meeting point unreachable" in said, f"no meeting point: {status} {said}")
    closed = re.search(r"close (\d+) ms", said)
    check(closed and int(closed[1]) < 2 * 1000, f"no meeting point: not closed within 2 s: {said}")
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


def main(probe, source):
    shutil.which("nats-server") or sys.exit(print("SKIP: nats-server is not installed") or 77)
    rig = Rig(probe, source)
    try:
        nobody_there(rig)
    finally:
        rig.server and rig.server.poll() is None and (rig.server.kill(), rig.server.wait())
        os.environ.get("KEEP_WORK") or shutil.rmtree(rig.work, ignore_errors=True)
    print("\n".join(faults) or "the relayed line holds")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))
