#!/usr/bin/env python3
"""Play through a meeting point measured between homes 50 ms from the internet each way: how long a
friend's game takes from its start to joining by the code alone (directly, and relayed), then the key
to frame latency and the bytes per second of both (bench/online_probe).

    sudo bench/meet_join.py [joins, default 20] [probe samples, default 10] [direct|relayed, default both]

Needs root (network namespaces, made here and removed at the end), Xvfb, xdotool, nats-server and a
build with -DTQ_BENCH=ON in build/bench. Three homes hang off a hub that routes nothing between them
(this machine's kernel has no delaying queue, so bench/delay_line.py delays instead): the meeting point
sits in the hub behind a line 50 ms each way from every home, home p's host has an address on the
internet, reached from home b through a line 100 ms each way (two homes' 50 ms), and home a's host has
only its home's address, so between it and home b's friend only the relay works. Nothing leaves the machine."""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GAME = f"{ROOT}/build/bench/tumblequay"
PROBE = f"{ROOT}/build/bench/bench/online_probe"
JOINS = int(sys.argv[1]) if len(sys.argv) > 1 else 20
SAMPLES = sys.argv[2] if len(sys.argv) > 2 else "10"
TAG = str(os.getpid())
NAMES = ("hub", "ha", "hb", "hp")
NETS = {"ha": "192.168.1", "hb": "192.168.2", "hp": "6.0.3"}  # a and b homes' own, p's an internet address
work = tempfile.mkdtemp()
processes = []


def ns(name):
    return f"tqb{name}{TAG}"


def sh(*command):
    subprocess.run(command, check=True, capture_output=True)


def spawn(command, log, **options):
    processes.append(subprocess.Popen(command, stdout=open(f"{work}/{log}.out", "w"),
                                      stderr=open(f"{work}/{log}.err", "w"), **options))
    return processes[-1]


def said(log):
    return open(f"{work}/{log}.out").read()


def wait_for(test, seconds=15, give_up=True):
    end = time.monotonic() + seconds
    while not test():
        if time.monotonic() > end:
            return not give_up or sys.exit(f"meet_join: timed out; see {work}")
        time.sleep(0.01)
    return True


def build():
    for name in NAMES:
        sh("ip", "netns", "add", ns(name))
        sh("ip", "-n", ns(name), "link", "set", "lo", "up")
    for home, net in NETS.items():
        sh("ip", "link", "add", "eth0", "netns", ns(home), "type", "veth", "peer", "name", f"to{home}", "netns",
           ns("hub"))
        for name, end, at in ((home, "eth0", f"{net}.2"), ("hub", f"to{home}", f"{net}.1")):
            sh("ip", "-n", ns(name), "addr", "add", f"{at}/24", "dev", end)
            sh("ip", "-n", ns(name), "link", "set", end, "up")
        sh("ip", "-n", ns(home), "route", "add", "default", "via", f"{net}.1")
        hub = ["ip", "netns", "exec", ns("hub"), sys.executable, f"{ROOT}/bench/delay_line.py"]
        spawn(hub + ["tcp", f"{net}.1:4222", "127.0.0.1:4222", "50"], f"line{home}")
    # Home b's datagrams for home p's host go through a delaying line in the hub, which takes them in
    # by a rule that sends them to it; its answers seem to come from the host.
    open(f"{work}/hub.nft", "w").write('table ip hub { chain pre { type nat hook prerouting priority dstnat; '
                                       'iifname "tohb" ip daddr 6.0.3.2 udp dport 27183 dnat to 192.168.2.1:27183; }; }\n')
    sh("ip", "netns", "exec", ns("hub"), "nft", "-f", f"{work}/hub.nft")
    spawn(["ip", "netns", "exec", ns("hub"), sys.executable, f"{ROOT}/bench/delay_line.py", "udp", "192.168.2.1:27183",
           "6.0.3.2:27183", "100"], "direct")
    shutil.copy(f"{ROOT}/meet/game.conf", work)
    open(f"{work}/meet.conf", "w").write('listen: "127.0.0.1:4222"\ninclude "game.conf"\n')
    spawn(["ip", "netns", "exec", ns("hub"), "nats-server", "-c", f"{work}/meet.conf"], "nats")
    wait_for(lambda: ":4222 " in subprocess.run(["ip", "netns", "exec", ns("hub"), "ss", "-tln"],
                                                capture_output=True, text=True).stdout)
    for home in NETS:
        wait_for(lambda: "listening" in said(f"line{home}"))


def screen(name):
    read, write = os.pipe()
    processes.append(subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "640x480x24", "-nolisten",
                                       "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL))
    os.close(write)
    return ":" + os.read(read, 16).decode().strip()


def game(where, log, display, *arguments):
    env = os.environ | dict(DISPLAY=display, SDL_AUDIODRIVER="dummy", TUMBLEQUAY_NO_PORT_MAP="1",
                            TUMBLEQUAY_MEET=f"{NETS[where]}.1")
    os.makedirs(f"{work}/{log}", exist_ok=True)
    os.path.exists(f"{work}/{log}/dat") or os.symlink(f"{ROOT}/dat", f"{work}/{log}/dat")
    return spawn(["ip", "netns", "exec", ns(where), GAME, "--window", *arguments], log, cwd=f"{work}/{log}", env=env)


def joins(code, path, display):
    """Seconds from each friend's start to its joined screen, by the code alone; each on the path."""
    taken = []
    for n in range(JOINS):
        log = f"friend_{path}_{n}"
        started = time.monotonic()
        friend = game("hb", log, display, "--join", code)
        if wait_for(lambda: "joined," in said(log), 30, give_up=False):
            taken.append(time.monotonic() - started)
            f"joined, {path}" in said(log) or sys.exit(f"meet_join: not {path}: {said(log)}")
        else:
            print(f"join {n} ({path}) not in after 30 s: {open(f'{work}/{log}.err').read()}", flush=True)
        friend.kill(), friend.wait()
        time.sleep(2.5)  # the host sees it away, and the next takes its place
    return taken


def probe(address, port, code, display):
    flag, escape = f"{work}/pressing", f"{work}/escape"
    presser = subprocess.Popen(["sh", "-c", f"for _ in $(seq 1500); do [ ! -e {flag} ] || xdotool key space Left Down; "
                                f"[ ! -e {escape} ] || {{ xdotool key Escape; rm -f {escape}; }}; sleep 0.1; done"],
                               env=os.environ | dict(DISPLAY=display), stderr=subprocess.DEVNULL)
    result = subprocess.run(["ip", "netns", "exec", ns("hb"), PROBE, address, port, code, SAMPLES, flag, escape],
                            capture_output=True, text=True)
    presser.kill()
    return result.stdout + result.stderr


def main():
    os.getuid() == 0 or sys.exit("meet_join: needs root for network namespaces")
    try:
        build()
        figures = {}
        paths = [path for path in (("direct", "hp"), ("relayed", "ha")) if sys.argv[3:] in ([], [path[0]])]
        for path, where in paths:
            display = screen(path)
            host = game(where, f"host_{path}", display, "--host")
            wait_for(lambda: re.search(r"--join (\w{10})\n", said(f"host_{path}")))
            code = re.search(r"--join (\w{10})\n", said(f"host_{path}"))[1]
            time.sleep(1)
            taken = joins(code, path, screen("friends"))
            figures[path] = taken
            print(f"join by the code alone, {path}: median {statistics.median(taken):.2f} s, "
                  f"worst {max(taken):.2f} s, best {min(taken):.2f} s ({len(taken)} of {JOINS} joins): "
                  + " ".join(f"{t:.1f}" for t in taken), flush=True)
            time.sleep(11)  # the last friend gone
            address, port = ("6.0.3.2", "27183") if path == "direct" else ("meet:192.168.2.1", "4222")
            print(f"== {path}\n" + probe(address, port, code, display), flush=True)
            host.terminate(), host.wait()
    finally:
        for process in reversed(processes):
            process.poll() is None and process.kill()
        for name in NAMES:
            subprocess.run(["ip", "netns", "delete", ns(name)], capture_output=True)


main()
