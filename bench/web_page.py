#!/usr/bin/env python3
"""The page as served (./web --build into build/web) and its first frame: web_page.py [LOADS [FOLDER]]. Prints each
file's size, then loads the page (in FOLDER, default build/web) LOADS times (default 9) in a fresh headless Chromium
at a desktop's window and at a phone's (412 x 915, touch), and prints the median and range of the time from the start
of the navigation to the page's load event, to the end of the first frame drawn (FirstFrameMilliseconds() in the
page), and between the two."""
import os, socket, statistics, subprocess, sys, tempfile

sys.path.insert(0, f"{os.path.dirname(os.path.abspath(__file__))}/../tests/e2e")
from run import Page, free_port, until  # noqa: E402

LOADED = "performance.getEntriesByType('navigation')[0].loadEventEnd"
DRAWN = "typeof _FirstFrameMilliseconds == 'function' && _FirstFrameMilliseconds()"


def load(url, work, size, touch):  # (load event, first frame) in ms
    page = Page(url, work, size=size, touch=touch)
    try:
        drawn = until(lambda: page.value(DRAWN), 30) or sys.exit("no first frame within 30 s")
        return page.value(LOADED), drawn
    finally:
        page.process.terminate(), page.process.wait()


def main():
    loads = int(sys.argv[1]) if len(sys.argv) > 1 else 9
    folder = sys.argv[2] if len(sys.argv) > 2 else f"{os.path.dirname(os.path.abspath(__file__))}/../build/web"
    files = {entry.name: entry.stat().st_size for entry in os.scandir(folder)}
    print(f"page: {sum(files.values()):,} bytes: " + ", ".join(f"{name} {size:,}" for name, size in sorted(files.items())))
    port = free_port()
    with tempfile.TemporaryDirectory() as work:
        server = subprocess.Popen([sys.executable, "-m", "http.server", "-b", "127.0.0.1", "-d", folder, str(port)],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            until(lambda: socket.socket().connect_ex(("127.0.0.1", port)) == 0) or sys.exit("the page is not served")
            for name, size, touch in (("desktop 1280x720", (1280, 720), False), ("phone 412x915", (412, 915), True)):
                times = [load(f"http://127.0.0.1:{port}/", work, size, touch) for _ in range(loads)]
                for what, values in (("load event", [t[0] for t in times]), ("first frame", [t[1] for t in times]),
                                     ("first frame after the load event", [t[1] - t[0] for t in times])):
                    print(f"{name}: {what} median {statistics.median(values):.0f} ms, "
                          f"{min(values):.0f}-{max(values):.0f} ms over {loads} loads")
        finally:
            server.terminate(), server.wait()


if __name__ == "__main__":
    main()
