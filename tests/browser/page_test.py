#!/usr/bin/env python3
"""The game's page in a real headless Chromium, driven through its DevTools protocol.

    page_test.py <page folder> <e2e_check> <source folder>

Serves the page, waits for its first frame and checks the title screen by its cells with
the hint for sound. Alt and then a key start the sound and a match with its banner; Escape
and Print Screen download screen0.png, the title without the hint; 1 starts a match against
the computer, which then spends its moves with no key pressed; no error reaches the console.
On a new page a click starts the sound and no match. A browser without WebGL gets one
sentence. Prints the page's size and when its first frame was drawn."""
import base64
import functools
import http.server
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import threading
import time

PAGE, CHECK, SOURCE = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3]
WIDTH, HEIGHT = 1280, 720
WORK = pathlib.Path(tempfile.mkdtemp())


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


class Browser:
    """Headless Chromium on a fresh profile, spoken to through a pipe (fds 3 and 4)."""

    def __init__(self, url, *flags):
        to_browser, self.commands = os.pipe()
        self.replies, from_browser = os.pipe()
        profile = tempfile.mkdtemp(dir=WORK)
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--use-gl=swiftshader",
             "--enable-unsafe-swiftshader", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile,
             "--autoplay-policy=document-user-activation-required", "--remote-debugging-pipe",
             f"--window-size={WIDTH},{HEIGHT}", *flags, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(3, 4),
            preexec_fn=lambda: (os.dup2(to_browser, 3), os.dup2(from_browser, 4)))
        os.close(to_browser), os.close(from_browser)
        self.pending, self.next_id, self.errors = b"", 0, []
        target = self.send("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.send(domain + ".enable")
        self.send("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT,
                  deviceScaleFactor=1, mobile=False)
        self.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=str(WORK),
                  session=False)
        self.send("Page.navigate", url=url)

    def send(self, method, session=True, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session and hasattr(self, "session"):
            message["sessionId"] = self.session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.pending:
                chunk = os.read(self.replies, 1 << 20)
                if not chunk:
                    fail("the browser ended")
                self.pending += chunk
            text, self.pending = self.pending.split(b"\0", 1)
            reply = json.loads(text)
            self.note(reply)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    fail(f"{method}: {reply['error']}")
                return reply["result"]

    def note(self, event):
        """Keeps every error the page's console or its scripts report."""
        params = event.get("params", {})
        if event.get("method") == "Runtime.exceptionThrown":
            self.errors.append(params["exceptionDetails"].get("text"))
        elif event.get("method") == "Runtime.consoleAPICalled" and params["type"] == "error":
            self.errors.append(" ".join(str(a.get("value")) for a in params["args"]))
        elif event.get("method") == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"])

    def evaluate(self, expression):
        return self.send("Runtime.evaluate", expression=expression,
                         returnByValue=True)["result"].get("value")

    def wait_for(self, expression, what, seconds=10):
        end = time.time() + seconds
        while time.time() < end:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.02)
        fail(what)

    def key(self, code, key_code, key=None):
        for kind in ("rawKeyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", type=kind, code=code, key=key or code,
                      windowsVirtualKeyCode=key_code)
        time.sleep(0.1)

    def screenshot(self, check):
        """The page as shown now, checked by e2e_check; returns what the check prints."""
        path = WORK / "page.png"
        path.write_bytes(base64.b64decode(self.send("Page.captureScreenshot")["data"]))
        return run_check(check, path)

    def close(self):
        self.process.kill()
        self.process.wait()


def run_check(check, path):
    result = subprocess.run([CHECK, check, str(path), str(WIDTH), str(HEIGHT)], cwd=SOURCE,
                            capture_output=True, text=True)
    return result.stdout if result.returncode == 0 else None


def field(state, name):
    words = state.split()
    return int(words[words.index(name) + 1])


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve():
    handler = functools.partial(QuietHandler, directory=str(PAGE))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_port}/"


def first_frame(browser):
    """Waits for the first frame; checks the title screen with its hint for sound."""
    drawn = browser.wait_for("typeof _FirstFrameMilliseconds == 'function' && "
                             "_FirstFrameMilliseconds()", "no frame was drawn")
    time.sleep(0.3)
    if browser.screenshot("title-waiting") is None:
        fail("the first frames do not show the title screen with its hint for sound")
    return drawn


def play(url):
    browser = Browser(url)
    try:
        drawn = first_frame(browser)
        browser.key("AltLeft", 18, "Alt")  # no key that lets a page start its sound
        browser.key("Space", 32, " ")
        browser.wait_for("SDL.audioContext.state == 'running'", "a key did not start the sound")
        if browser.screenshot("match-start") is None:
            fail("a key did not start a match with its banner")
        browser.key("Escape", 27)
        browser.key("PrintScreen", 44)
        shot = WORK / "screen0.png"
        for _ in range(100):
            if shot.exists():
                break
            time.sleep(0.1)
        if run_check("title", shot) is None:
            fail("screen0.png is not the title screen without the hint")
        browser.key("Digit1", 49, "1")
        computer_moved = False
        for _ in range(60):
            state = browser.screenshot("state") or fail("no match against the computer")
            if field(state, "team") == 0:  # the person's turn: spend it on switches
                for _ in range(11):
                    browser.key("ArrowDown", 40)
                continue
            if field(state, "banner") == 0:
                time.sleep(1)
                later = browser.screenshot("state") or fail("the computer's match ended")
                computer_moved = "team 0" in later or field(later, "moves") < field(state, "moves")
                break
            time.sleep(0.3)
        if not computer_moved:
            fail("the computer did not take its turn")
        if browser.errors:
            fail("the console reported: " + "; ".join(browser.errors))
    finally:
        browser.close()
    size = sum(f.stat().st_size for f in PAGE.iterdir())
    print(f"the page: {size} bytes, its first frame at {drawn:.0f} ms")


def click_for_sound(url):
    browser = Browser(url)
    try:
        first_frame(browser)
        for kind in ("mousePressed", "mouseReleased"):
            browser.send("Input.dispatchMouseEvent", type=kind, x=600, y=300, button="left",
                         clickCount=1)
        browser.wait_for("SDL.audioContext.state == 'running'", "a click did not start the sound")
        time.sleep(0.2)
        if browser.screenshot("title") is None:
            fail("after a click the title screen does not show without its hint")
    finally:
        browser.close()


def without_webgl(url):
    browser = Browser(url, "--disable-3d-apis")
    try:
        browser.wait_for("document.body.innerText.includes('needs a browser that can show WebGL')",
                         "a browser without WebGL was not told the game needs it")
    finally:
        browser.close()


url = serve()
play(url)
click_for_sound(url)
without_webgl(url)
print("browser page: 3 passed, 0 failed")
