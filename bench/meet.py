#!/usr/bin/env python3
"""The meeting point's capacity: the shipped configuration (meet/) on this machine's loopback,
one server and then the three-server cluster, under simulated relayed games (meet_load) at
several numbers of pairs; prints meet_load's line and the servers' CPU and memory for each.

    bench/meet.py [SECONDS] [PAIRS ...]     (default 20 s; 500 1000 2000 pairs)

Needs build/bench/bench/meet_load (cmake -DTQ_BENCH=ON; see bench/README.md)."""
import os, shutil, subprocess, sys, tempfile, time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, f"{SOURCE}/tests/meet")
import nats_wire
from config_test import moved

TICKS = os.sysconf("SC_CLK_TCK")


def usage(pids):  # CPU seconds so far and resident MB, summed over the servers
    cpu = memory = 0.0
    for pid in pids:
        fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
        cpu += (int(fields[11]) + int(fields[12])) / TICKS
        memory += int(next(line for line in open(f"/proc/{pid}/status") if line.startswith("VmRSS")).split()[1]) / 1024
    return cpu, memory


def measure(configs, ports, pairs, seconds, work):
    with open(f"{work}/server.log", "a") as log:
        servers = [nats_wire.start_server(config, log) for config in configs]
    try:
        time.sleep(1)  # the cluster's routes
        load = subprocess.Popen([f"{SOURCE}/build/bench/bench/meet_load", str(pairs), str(seconds)] +
                                [f"127.0.0.1:{port}" for port in ports], stdout=subprocess.PIPE, text=True)
        load.stdout.readline()  # "measuring": every game connected and under way
        before, _ = usage([server.pid for server in servers])
        time.sleep(seconds)
        after, memory = usage([server.pid for server in servers])
        line = load.communicate(timeout=seconds + 60)[0].strip()
        print(f"{line}; servers: {(after - before) / seconds:.2f} CPU s per s, {memory:.0f} MB resident; "
              f"load average {os.getloadavg()[0]:.1f}", flush=True)
    finally:
        for server in servers:
            server.terminate(), server.wait(10)


def main():
    seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    counts = [int(n) for n in sys.argv[2:]] or [500, 1000, 2000]
    work = tempfile.mkdtemp(prefix="meetbench.")
    try:
        ports = moved(SOURCE, work)
        print("== one server (meet/meet.conf)", flush=True)
        for pairs in counts:
            measure([f"{work}/meet/meet.conf"], [ports[4222]], pairs, seconds, work)
        print("== three servers (meet/cluster/), host and friend on different ones", flush=True)
        for pairs in counts:
            measure([f"{work}/meet/cluster/{name}.conf" for name in "abc"], [ports[4222], ports[4232], ports[4242]],
                    pairs, seconds, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
