#!/usr/bin/env python3
# The page in headless Chromium through its DevTools protocol, checked by its cells with
# e2e_check; prints its size and first frame.
#     page_test.py <page folder> <e2e_check> <source folder>
import base64, functools, http.server, json, os, pathlib, re, subprocess, sys, tempfile, threading, time

PAGE, CHECK, SOURCE = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3]
WORK = pathlib.Path(tempfile.mkdtemp())


def fail(message):
    sys.exit("FAIL: " + message)


# Headless Chromium on a fresh profile, its DevTools protocol on fds 3 and 4.
class Browser:
    def __init__(self, url, *flags):
        (command_in, self.commands), (self.replies, reply_out) = os.pipe(), os.pipe()
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--use-gl=swiftshader",
             "--enable-unsafe-swiftshader", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--remote-debugging-pipe",
             "--user-data-dir=" + tempfile.mkdtemp(dir=WORK),
             "--autoplay-policy=document-user-activation-required", *flags],
            stderr=subprocess.DEVNULL, pass_fds=(3, 4),
            preexec_fn=lambda: (os.dup2(command_in, 3), os.dup2(reply_out, 4)))
        self.pending, self.count, self.session, self.errors = b"", 0, None, []
        target = self.send("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for method in ("Page.enable", "Runtime.enable", "Log.enable"):
            self.send(method)
        self.send("Emulation.setDeviceMetricsOverride", width=1280, height=720,
                  deviceScaleFactor=1, mobile=False)
        self.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=str(WORK))
        self.send("Page.navigate", url=url)

    def send(self, method, **params):
        self.count += 1
        message = {"id": self.count, "method": method, "params": params}
        if self.session and not method.startswith("Browser."):
            message["sessionId"] = self.session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.pending:
                self.pending += os.read(self.replies, 1 << 20) or fail("the browser ended")
            text, self.pending = self.pending.split(b"\0", 1)
            reply = json.loads(text)
            params = reply.get("params", {})  # an exception, or an error on the console
            if {"exceptionDetails", "error"} & {*params, params.get("type"),
                                                params.get("entry", {}).get("level")}:
                self.errors.append(json.dumps(params)[:300])
            if reply.get("id") == self.count:
                return reply["result"] if "result" in reply else fail(f"{method}: {reply}")

    def wait_for(self, expression, failure):
        for _ in range(500):
            value = self.send("Runtime.evaluate", expression=expression)["result"].get("value")
            if value:
                return value
            time.sleep(0.02)
        fail(failure)

    def key(self, code, key_code, key=None):
        for kind in ("rawKeyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", type=kind, code=code, key=key or code,
                      windowsVirtualKeyCode=key_code)
        time.sleep(0.1)

    def close(self):
        os.write(self.commands, json.dumps({"id": 0, "method": "Browser.close"}).encode() + b"\0")
        self.process.wait()

    # Checks the page as shown now with e2e_check; returns what the check prints.
    def screenshot(self, check, failure):
        (WORK / "page.png").write_bytes(base64.b64decode(self.send("Page.captureScreenshot")["data"]))
        return run_check(check, WORK / "page.png") or fail(failure)


def run_check(check, path):
    result = subprocess.run([CHECK, check, str(path), "1280", "720"], cwd=SOURCE,
                            capture_output=True, text=True)
    return result.returncode == 0 and "shown:" + result.stdout


# Team, moves left and banner of the match on show.
def turn(browser):
    return [int(n) for n in re.findall(r"\d+", browser.screenshot("state", "no match on show"))]


# The title with its hint; Alt, then a key that starts the sound and a match; Escape, a click that
# starts none, Print Screen's download of the title without its hint; 2 (the normal computer, a key
# the page passes on) and the computer's turn with no key pressed; no error on the console.
def play(url):
    browser = Browser(url)
    drawn = browser.wait_for("typeof _FirstFrameMilliseconds == 'function' && "
                             "_FirstFrameMilliseconds()", "no frame was drawn")
    time.sleep(0.3)
    browser.screenshot("title-waiting", "the first frames show no title with its hint for sound")
    browser.key("AltLeft", 18, "Alt")  # no key that lets a page start its sound
    browser.key("Space", 32, " ")
    browser.wait_for("SDL.audioContext.state == 'running'", "a key did not start the sound")
    browser.screenshot("match-start", "a key did not start a match with its banner")
    browser.key("Escape", 27)
    for kind in ("mousePressed", "mouseReleased"):
        browser.send("Input.dispatchMouseEvent", type=kind, x=600, y=300, button="left",
                     clickCount=1)
    browser.key("PrintScreen", 44)
    any(time.sleep(0.1) or (WORK / "screen0.png").exists() for _ in range(50))
    run_check("title", WORK / "screen0.png") or fail("screen0.png is no title without the hint")
    browser.key("Digit2", 50, "2")
    for _ in range(60):
        team, moves, banner = turn(browser)
        if team == 0:  # the person's turn: the banner, then every move on switches
            for _ in range(11):
                browser.key("ArrowDown", 40)
        elif banner == 0:
            time.sleep(1)
            later = turn(browser)
            later[0] == 0 or later[1] < moves or fail("the computer did not take its turn")
            break
    else:
        fail("the computer's turn did not come")
    browser.errors and fail("the console reported: " + "; ".join(browser.errors))
    browser.close()
    print(f"the page: {sum(f.stat().st_size for f in PAGE.iterdir())} bytes, "
          f"its first frame at {drawn:.0f} ms")


http.server.SimpleHTTPRequestHandler.log_message = lambda *args: None
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=str(PAGE))
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
url = f"http://127.0.0.1:{server.server_port}/"
play(url)
browser = Browser(url, "--disable-3d-apis")
browser.wait_for("document.body.innerText.includes('needs a browser that can show WebGL')",
                 "a browser without WebGL was not told the game needs it")
browser.close()
print("browser page: 2 passed, 0 failed")
