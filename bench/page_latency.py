#!/usr/bin/env python3
"""Key to frame, page to desktop through a meeting point on loopback: page_latency.py [PRESSES]. A real nats-server
on 127.0.0.1 (TCP for the desktop game, WebSocket for the page), the desktop game hosting under Xvfb, the page
(build/web) joining by its code in headless Chromium and starting a match; in each of the page's turns its
player is switched (Down) again and again. Each sample is the time from the key's event in the page to the end of
the first frame the page drew with the move counts changed (ChangedFrameMilliseconds() in the page): the key's way to the host,
the host's step, the frame's way back, and its drawing. Needs ./web --build and the plain tree (build/test)."""
import os, statistics, sys, time

root = os.path.abspath(f"{os.path.dirname(os.path.abspath(__file__))}/..")
sys.path.insert(0, f"{root}/tests/e2e")
from run import Steps, until  # noqa: E402

CHANGED = "_ChangedFrameMilliseconds()"


def main():
    presses = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    steps = Steps(f"{root}/build/web", f"{root}/build/test/tests/e2e_check", root)
    steps.vars["desktop"] = f"{root}/build/test/tumblequay"
    try:
        steps.play("meeting_here; page_serve; start TUMBLEQUAY_MEET={meet} --host --port {relay} program={desktop}; "
                   "code; friend:page; friend:drawn; friend:type_code {code}; out 'a friend joined, relayed'; "
                   "friend:see word 25 relayed; friend:press Return")
        page = steps.game("friend").page
        page.value("addEventListener('keydown', () => window.keyAt = performance.now(), true)")
        samples, idle = [], 0
        while len(samples) < presses:
            team, moves, banner = steps.state("host")
            side = "host" if team == 0 else "friend"
            if banner:
                steps.press("space", who=side)
                time.sleep(0.5)
                continue
            if side == "host":
                steps.press("Down", who="host")
                time.sleep(0.3)
                continue
            before = page.value(CHANGED)
            time.sleep(0.2)
            if page.value(CHANGED) != before:
                idle += 1  # the picture changed by itself: not a moment to measure
                continue
            steps.press("Down", who="friend")
            key = page.value("window.keyAt")
            drawn = until(lambda: (changed := page.value(CHANGED)) > key and changed, 3)
            if drawn:
                samples.append(drawn - key)
                print(f"key to frame: {drawn - key:.0f} ms", flush=True)
            time.sleep(0.3)
        print(f"{len(samples)} presses: median {statistics.median(samples):.0f} ms, least {min(samples):.0f} ms, "
              f"most {max(samples):.0f} ms; quarters {statistics.quantiles(samples, n=4)}; "
              f"{idle} moments passed over as the picture moved by itself")
    finally:
        steps.close()


if __name__ == "__main__":
    main()
