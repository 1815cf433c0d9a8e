#!/usr/bin/env python3
"""The real game under virtual screens played by a table of scenarios, checked by its screenshots (e2e_check),
sound, files, output and exit: run.py --list | run.py NAME GAME E2E_CHECK SOURCE. A step is a verb of Steps and
its words, for the host's game or "friend:" or "other:"; {port}, {code}... stand for what the steps know."""
import array, atexit, base64, contextlib, functools, glob, itertools, json, math, os, random, re, shlex, shutil, signal
import socket, struct, subprocess, sys, tempfile, time
from types import SimpleNamespace

WIDTH, HEIGHT, WINDOW = 1280, 720, "^marrowfen$"

# From outside a home router, with the command the host printed: "open", and no mapping after.
REACH = ("router {}; start in=home portmap --host; code; out 'a friend on the internet joins with:' "
         "'^tumblequay --join 5.5.5.1:27183 {{code}}$'; mapping yes; friend:start in=outside --join 5.5.5.1:27183 "
         "{{code}}; see word 25 joined; see word 48 open; friend:see hosting; friend:see word 48 open; {}; exit 0; "
         "mapping no; friend:kill KILL")
SCENARIOS = {
    "title_and_match": "start; sound 2; press Return; see match-start; sound 2; rotations; press Escape; see title; "
                       "press 1; turns computer; press Escape; see title; press Escape; exit 0; "
                       "err '!^(?!.*(disk i/o audio driver|Writing to file)).'",
    "command_line": "start noscreen --help; exit 0; out '\\Ausage: tumblequay ' '^  --window ' '1, 2 or 3' '!before'; "
                    "start noscreen --version; exit 0; out '\\Atumblequay {version}\\n\\Z'; usage --bogus; "
                    "usage --window=yes; usage --window --window; usage --window --fullscreen; usage --version x; "
                    "usage ''; start nowindow SDL_AUDIODRIVER=no_such_driver; exit 1; err audio; "
                    "start nowindow SDL_AUDIODRIVER=alsa AUDIODEV=tq_no_such_device; exit 1; err audio; "
                    "start noscreen; exit 1; err '^tumblequay: cannot open the screen: DISPLAY is not set$'; "
                    "start nowindow DISPLAY=:65001; exit 1; err 'no display answers at :65001$'; "
                    "start noscreen SDL_VIDEODRIVER=offscreen; wait 2; alive; kill KILL; "
                    "start nowindow preload=sdl_shim TQ_SHIM_NO_THREADS=1; exit 1; "
                    "err 'sample loader: Resource temporarily unavailable'; take_port {port}; "
                    "start nowindow --host --port {port}; exit 1; "
                    "err 'cannot host on UDP port {port}: it is in use or not allowed'",
    # Damaged data (also under AddressSanitizer), which the loader reads in the first second.
    "bad_data": "damage; start; wait 1; press Return; see match-start; "
                "hold space Up Left Up Right Up Down Up w a s d Up Up; press Escape; see title; press Escape; exit 0",
    "keep_screenshots": "sh mkdir {work}/host; sh cp {source}/LICENSE {work}/host/screen0.png; "
                        "sh cp {source}/README.md {work}/host/screen1.png.tmp; start nodata; see title; "
                        "files screen2.png 1; sh cmp {source}/LICENSE {work}/host/screen0.png; "
                        "sh cmp {source}/README.md {work}/host/screen1.png.tmp; press Escape; exit 0",
    "screenshot_failures": "start nobody SDL_DISKAUDIOFILE=/dev/null; sh chmod 555 {work}/host; press Return Print; "
                           "wait 1; press Print; wait 1; alive; files 'screen*' 0; sh chmod 777 {work}/host; "
                           "see match-start; files screen2.png 1; killed_printing",
    # Start starts and takes the banner; B switches once however long held; the stick turns; back.
    "gamepad": "start preload=sdl_shim TQ_SHIM_PADS={work}/pads; pad button 6 1; pad button 6 0; see match-start; "
               "pad button 6 1; pad button 6 0; moves; pad button 1 1; spent 1; pad button 1 0; pad axis 0 -30000; "
               "spent more; pad axis 0 0; pad button 4 1; pad button 4 0; see title; pad button 4 1; exit 0",
    # --window: 6 x the canvas in 90 % of 1280 x 720; Alt+Enter starts, takes nothing; no window: full screen.
    "window_mode": "wm; start --window; see title size=768x576; press alt+Return; see title; press alt+Return; "
                   "see title size=768x576; press Return alt+Return; see match-start; press Escape Escape; exit 0; "
                   "start --window preload=sdl_shim TQ_SHIM_NO_WINDOW=1; see title; press alt+Return; see title; "
                   "press Escape; exit 0",
    # Refused before a window: no replay, a pipe nobody writes to. A kept replay is on the disk before its name.
    "replay": "start noscreen --replay dat/ms0.txt; exit 2; sh mkfifo {work}/host/pipe; start noscreen --replay pipe; "
              "exit 2; err 'cannot play pipe: it is not a file'; "
              "start preload=sdl_shim TQ_SHIM_FILE_LOG={work}/files; wait 1; press space; see match-start; wait 2.5; "
              "press Down; hold Up Left Up; wait 1; press Escape; files replay0.tqr 1; synced replay0.tqr; press Escape; "
              "exit 0; start --replay replay0.tqr; replay_matches; press space; see title timeout=15; press Escape; exit 0; "
              "err '!replay'; files replay1.tqr 0",
    # A wrong code refused; the friend plays through a relay (75 ms, 2 % lost); crashed, its game is away, and
    # joins again at once in its place.
    "online": "relay; start --host --port {port}; code; friend:start --join 127.0.0.1:{port} {wrong}; "
              "friend:see word 39 wrong; friend:see word 32 code; alive; friend:press Escape; friend:exit 0; "
              "friend:start --join 127.0.0.1:{relay} {code}; see word 25 joined; see hosting; "
              "friend:see friend-of {host_shot}; friend:press Return; turns; friend:kill KILL; "
              "see word 25 away 114 timeout=15; friend:start --join 127.0.0.1:{port} {code}; agree; "
              "press Escape; see hosting; press Escape; exit 0",
    # The code alone on both networks: none, "no game found"; of two already drawing (the friend tries only those
    # that answer within 300 ms of the first), the one whose code it is.
    "reach_home": "rig; friend:start in=router --join k3m9xq2tvw; friend:see word 39 'no game'; "
                  "friend:err '^tumblequay: no game found on the home network$'; friend:press Escape; friend:exit 0; "
                  "start in=home --host; code; "
                  "out '^tumblequay --join {code}$'; see hosting; other:start in=outside --host; other:see hosting; "
                  "friend:start in=router --join {typed}; see word 25 joined; other:kill TERM; see hosting; "
                  "friend:see friend-of {host_shot}; press Escape; exit 0",
    "reach_router": "rig; " + REACH.format("natpmp", "press Escape") + "; " + REACH.format("upnp", "kill TERM")
                    + "; router off; start in=home portmap --host; "
                    "out 'no router opened the port: for friends on the internet, forward UDP port 27183'; "
                    "see word 48 closed; code; friend:start in=outside --join 5.5.5.1 {code}; "
                    "friend:see word 39 no timeout=12; friend:err '^tumblequay: no answer: the host'; press Escape; exit 0",
    # The real game at two homes whose routers open nothing: the code alone joins relayed through the meeting
    # point, both bands and standard outputs say so, and a turn each is played.
    # Two homes whose routers open nothing and one behind two NATs (its own router and a carrier's): nothing
    # reaches a home unasked, and the real game joins by the code alone relayed through the meeting point on the
    # internet. A stranger that hears all it may there and plays it back, with garbage, changes nothing; the
    # meeting point lost mid-match: both sides wait, "away", and go on once it is back.
    "meet_play": "internet; unasked; start in=home_a TUMBLEQUAY_MEET=6.0.0.1 --host; code; out '^tumblequay --join {code}$'; "
                 "friend:start in=home_c TUMBLEQUAY_MEET=6.0.0.1 --join {code}; friend:out 'joined, relayed'; "
                 "out 'a friend joined, relayed'; see word 25 relayed; friend:see word 25 relayed; "
                 "friend:press Return; stranger in=home_b 6; turns; meeting_down; see word 25 away 114; "
                 "friend:see word 25 away 13; meeting_up; turns; friend:press Escape; see word 25 waiting 115; "
                 "friend:press Escape; friend:exit 0; press Escape; see hosting; press Escape; exit 0",
    # Host and friend on two servers of a cluster; the friend's server lost mid-match: its game moves to
    # another, and the match goes on.
    "meet_cluster": "internet 3; start in=home_a TUMBLEQUAY_MEET=6.0.0.1:4232 --host; code; "
                    "friend:start in=home_b TUMBLEQUAY_MEET=6.0.0.1:4242 --join {code}; friend:out 'joined, relayed'; "
                    "see word 25 relayed; friend:press Return; turns; meeting_down nats2; turns; press Escape; "
                    "see hosting; press Escape; exit 0",
    # A home whose router opens the port: the same command joins directly. A meeting point that is not there:
    # said plainly, and the address and the home network still join.
    "meet_direct": "rig; router natpmp; meeting in=outside at=5.5.5.2:4222; start in=home portmap TUMBLEQUAY_MEET=5.5.5.2 "
                   "--host; code; out 'internet joins'; friend:start in=outside TUMBLEQUAY_MEET=5.5.5.2 --join {code}; "
                   "friend:out 'joined, direct'; out 'a friend joined, direct'; see word 25 direct; friend:see hosting; "
                   "press Escape; exit 0; friend:see word 39 host; friend:press Escape; friend:exit 0; "
                   "start in=home portmap TUMBLEQUAY_MEET=5.5.5.9 --host; code; out 'internet joins'; "
                   "err '^tumblequay: the meeting point 5.5.5.9:4222 cannot be reached'; see word 55 'no meet'; "
                   "friend:start in=outside --meet 5.5.5.9 --join 5.5.5.1 {code}; see word 25 direct; "
                   "friend:press Escape; friend:press Escape; friend:exit 0; "
                   "friend:start in=router --meet 5.5.5.9 --join {code}; see word 25 direct; friend:out 'joined, direct'; "
                   "friend:err 'cannot be reached'; press Escape; exit 0",
    # No router: two searches for one (about 2 s). A router that answers badly: a description one byte every 3 s
    # does not hold Escape; a renewal refused is told; an outside port another machine holds.
    "router_faults": "rig; fake silent; start in=home portmap --host; out 'no router opened the port'; heard search 2; "
                     "press Escape; exit 0; fake drip; start in=home portmap --host; code; heard description; "
                     "see word 48 asking; "
                     "press Escape; exit 0 within=2; fake renewal; start in=home portmap --host; out 'internet joins'; "
                     "see word 48 open; heard refused; out 'the router no longer keeps UDP port 27183 open: the "
                     "command given for a friend on the internet no longer works'; see word 48 closed; kill TERM; "
                     "exit 0 within=2; "
                     # Another machine at home holds the outside port: the next one, which the friend reaches.
                     "router upnp secure_mode=no; outside_taken 27183; start in=home portmap --host; code; "
                     "out '^tumblequay --join 5.5.5.1:27184 {code}$'; mapping yes 27184; "
                     "friend:start in=outside --join 5.5.5.1:27184 {code}; see word 25 joined; press Escape; exit 0; "
                     "mapping no 27184",
    # A line on a carrier's shared address: said so, whichever way the router is asked.
    "reach_shared": "rig shared; router natpmp; start in=home portmap --host; out 'has no address of its own on the "
                    "internet'; see word 48 closed; press Escape; exit 0; router upnp; start in=home portmap --host; "
                    "out 'no port can be opened from it, by the router or by hand'; press Escape; exit 0",
    # Every end of a host removes its mapping at once: the X server gone, killed through the window system,
    # SIGHUP; a friend whose X server goes ends too.
    "exits": "rig; router natpmp; start in=home portmap --host; code; out 'internet joins'; mapping yes; lose_screen; "
             "exit 1 within=3 lines=any; mapping no; start in=home portmap --host; code; out 'internet joins'; "
             "mapping yes; windowkill; exit 1 within=3 lines=any; mapping no; start in=home portmap --host; code; "
             "out 'internet joins'; friend:start in=outside --join 5.5.5.1 {code}; see word 25 joined; "
             "friend:lose_screen; friend:exit 1 within=3 lines=any; kill HUP; exit 0 within=3; mapping no",
    # M silences the recorded sound, and - steps it down 3 dB a press and + up again (four: 12 dB, within the
    # music's own swing from bar to bar); --mute starts silent, and starts where no sound device opens, which without it ends the game.
    "sound_keys": "start; wait 3; level full1 3; press minus minus minus minus; level low1 3; press equal equal equal "
                  "equal; level full2 3; press minus minus minus minus; level low2 3; press equal equal equal equal; "
                  "level full3 3; louder full low 12; "
                  "press m; silent 2; press m; sound 1; press Escape; exit 0; "
                  "start --mute; silent 2; press m; sound 1; press Escape; exit 0; "
                  "start --mute SDL_AUDIODRIVER=no_such_driver; see title; press m; see word 47 no 16; "
                  "press Escape; exit 0; start nowindow SDL_AUDIODRIVER=no_such_driver; exit 1; err audio",
    # The rules page from the title screen, read back at 640 x 480; any key returns and starts nothing; F12 takes a
    # screenshot.
    "rules_page": "size 640x480; start; see title; press r; see rules; files screen1.png 1; press x; see title; "
                  "press F12; files screen3.png 1; press Escape; exit 0",
    # Kept between starts: read, written when changed (a window, then muted), damaged (one line, the game as
    # without it: full screen, sound on), and given way to by the options.
    "settings": "wm; settings 'screen window\nvolume 3\n'; start XDG_CONFIG_HOME={work}/cfg; see title size=768x576; "
                "press alt+Return; see title; kept 'screen fullscreen\nvolume 3\nmute off\n'; press m; "
                "kept 'screen fullscreen\nvolume 3\nmute on\n'; press Escape; exit 0; "
                "settings 'volume 99\n'; start XDG_CONFIG_HOME={work}/cfg; see title; "
                "err '^tumblequay: ignoring the settings in .*/cfg/tumblequay/settings: line 1: a value out of its "
                "range$'; sound 1; press Escape; exit 0; "
                "settings 'screen window\nmute off\n'; start --fullscreen --mute XDG_CONFIG_HOME={work}/cfg; "
                "see title; silent 1.5; press Escape; exit 0; kept 'screen window\nmute off\n'",
    # Against the computer, in its turn: the pause holds the screen, the moves and the sound for 3 s, says so, and
    # the match goes on from where it stood; in a match of two people too.
    "pause": "start; press 1; see match-start; computer_turn; press p; see word 45 paused 63; hold_still 3; "
             "press p; moves_go_on; press Escape; press Return; see match-start; press p; see word 45 paused 63; "
             "press p Escape Escape; exit 0",
    # No replay of a match without a move; the 201st removes the oldest, whatever its number.
    "replay_rules": "old_replays 200; start; press Return; see match-start; press Escape; see title; "
                    "files replay200.tqr 0; press Return; see match-start; press space; moves; press Down; spent 1; "
                    "press Escape; "
                    "files replay200.tqr 1; files replay7.tqr 0; files 'replay*.tqr' 200; press Escape; exit 0",
    "launcher": "launcher",
    "installed_package": "package; see title; press Escape; exit 0; files '{work}/elsewhere/*' 0",
}

# The page (GAME is its folder) in headless Chromium; Alt is no key that lets a page start its sound. Then a phone,
# touch alone: the picture 4:3 as it is turned and at a desktop's size, a tap for the sound, a match against the easy
# computer and whole turns played by the page's buttons.
PAGE = ("page; drawn; see title-waiting; press Alt space; told \"SDL.audioContext.state == 'running'\"; "
        "see match-start; press Escape; click; press Print; files screen0.png 1; see title file=screen0.png; "
        # The rules page, the mute kept in the browser's storage and read again as the page loads; the pause.
        "press r; see rules; press m; told \"localStorage.getItem('tumblequay-settings').includes('mute on')\"; "
        "press r; see title; reload; drawn; click; press m; see word 47 volume 16; press minus; "
        "told \"localStorage.getItem('tumblequay-settings').includes('volume 9\\nmute off')\"; press 2; "
        "see match-start; press p; see word 45 paused 63; press p; "
        "turns computer; console; page 412x915 touch; drawn; shape 412x915 touch; shape 915x412 touch; shape 1280x720; "
        "shape 412x915 touch; tap canvas; told \"SDL.audioContext.state == 'running'\"; see title; tap '[data-control=easy]'; "
        "see match-start; touch_turns; tap '[data-control=leave]'; see title; tap '#full-screen'; "
        "told '!!document.fullscreenElement'; tap '#full-screen'; told '!document.fullscreenElement'; console; "
        "lose_context; see title; "
        "page --disable-3d-apis; "
        "told \"document.body.innerText.includes('needs a browser that can show WebGL')\"")
# Online from the page, through a meeting point on loopback: a page hosts and the desktop game joins by the code;
# the desktop hosts and a page joins by the code typed as a person copies it; a page hosts and another joins by the
# link alone. Each plays a turn there and back; both sides say "relayed".
PAGE_ONLINE = {
    "page_hosts": "meeting_here; page; drawn; click_on '#host-online'; page_code; "
                  "friend:start TUMBLEQUAY_MEET={meet} --join {code} program={desktop}; friend:out 'joined, relayed'; "
                  "see word 25 relayed; friend:see word 25 relayed; friend:press Return; turns; "
                  # The meeting point lost mid-match and back: the match waits, "away", and goes on.
                  "meeting_down here; see word 25 away 114; friend:see word 25 away 13; meeting_here again; turns; "
                  "console",
    "page_joins": "meeting_here; page_serve; start TUMBLEQUAY_MEET={meet} TUMBLEQUAY_PAGE={url} --host --port {relay} program={desktop}; "
                  "code; out 'the page: {url}#{code}$'; friend:page; friend:drawn; friend:type_code {typed}; "
                  "out 'a friend joined, relayed'; see word 25 relayed; friend:see word 25 relayed; "
                  "friend:press Return; turns; friend:console",
    "page_link": "meeting_here; page; drawn; click_on '#host-online'; page_code; friend:page link; friend:drawn; "
                 "see word 25 relayed; friend:see word 25 relayed; friend:press Return; turns; console; friend:console",
}
PAGE_KEYS = {"Alt": ("AltLeft", 18, "Alt"), "space": ("Space", 32, " "), "Escape": ("Escape", 27, "Escape"), "2": (
    "Digit2", 50, "2"), "Print": ("PrintScreen", 44, "PrintScreen"), "Down": ("ArrowDown", 40, "ArrowDown"),
             "r": ("KeyR", 82, "r"), "m": ("KeyM", 77, "m"), "p": ("KeyP", 80, "p"), "minus": ("Minus", 189, "-"),
             "Return": ("Enter", 13, "Enter")}
# Headless Chromium composites in software and reads every WebGL frame back, and its GL driver says so: a bare page
# that only clears a WebGL canvas gets these notes too. Every other warning fails the page.
BROWSER_NOTE = re.compile(r"GL Driver Message \(OpenGL, Performance, [^)]*\): GPU stall due to ReadPixels")


def fail(message):
    os.environ.setdefault("KEEP_WORK", "1")  # a failure's screenshots and logs stay for a look
    sys.exit("FAIL: " + message)


def skip(message):
    sys.exit(print("SKIP: " + message) or 77)


def until(test, seconds=10.0):
    end = time.monotonic() + seconds
    while not (result := test()) and time.monotonic() < end:
        time.sleep(0.1)
    return result


def png_size(path):
    return struct.unpack(">II", open(path, "rb").read(24)[16:24])


def numbered(paths):
    return sorted(paths, key=lambda path: int(re.findall(r"\d+", path)[-1]))


def free_port():  # and the next, below 32768 where the kernel gives none by chance
    for port in random.sample(range(20000, 32000, 2), 100):
        with contextlib.suppress(OSError), socket.socket(type=socket.SOCK_DGRAM) as a, socket.socket(
                type=socket.SOCK_DGRAM) as b:
            a.bind(("", port)), b.bind(("", port + 1))
            return port
    fail("no free UDP port")


class Page:  # headless Chromium on a fresh profile, its DevTools protocol on fds 3 and 4
    def __init__(self, url, folder, *flags, size=(WIDTH, HEIGHT), touch=False):
        (command_in, self.commands), (self.replies, reply_out) = os.pipe(), os.pipe()
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
             "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--remote-debugging-pipe", f"--user-data-dir={tempfile.mkdtemp(dir=folder)}",
             "--autoplay-policy=document-user-activation-required", *flags], stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=lambda: (os.dup2(command_in, 3), os.dup2(reply_out, 4)))
        self.pending, self.count, self.session, self.errors = b"", 0, None, []
        target = self.send("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.send("Runtime.enable"), self.send("Log.enable")
        self.view(size, touch)
        self.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)
        self.send("Page.navigate", url=url)

    def post(self, method, **params):  # without waiting for the reply
        self.count += 1
        message = {"id": self.count, "method": method, "params": params}
        self.session and not method.startswith("Browser.") and message.update(sessionId=self.session)
        os.write(self.commands, json.dumps(message).encode() + b"\0")

    def send(self, method, **params):  # the reply; exceptions, console errors and warnings meanwhile are kept
        self.post(method, **params)
        while True:
            while b"\0" not in self.pending:
                self.pending += os.read(self.replies, 1 << 20) or fail("the browser ended")
            text, self.pending = self.pending.split(b"\0", 1)
            params = (reply := json.loads(text)).get("params", {})
            said = {*params, params.get("type"), params.get("entry", {}).get("level")}
            if {"exceptionDetails", "error", "warning"} & said and not BROWSER_NOTE.search(text.decode()):
                self.errors.append(json.dumps(params)[:300])
            if reply.get("id") == self.count:
                return reply["result"] if "result" in reply else fail(f"{method}: {reply}")

    def view(self, size, touch):  # a window of that size; with touch, a phone's, turned as its shape says
        turned = dict(type="landscapePrimary", angle=90) if size[0] > size[1] else dict(type="portraitPrimary", angle=0)
        self.send("Emulation.setDeviceMetricsOverride", width=size[0], height=size[1], deviceScaleFactor=1,
                  mobile=touch, **(dict(screenOrientation=turned) if touch else {}))
        self.send("Emulation.setTouchEmulationEnabled", enabled=touch, **(dict(maxTouchPoints=5) if touch else {}))

    def value(self, expression):
        return self.send("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")

    def rectangle(self, selector):  # of the first element shown that matches, in CSS pixels; None if none is shown
        return self.value(f"""[...document.querySelectorAll({json.dumps(selector)})].map(e => e.getBoundingClientRect())
            .filter(r => r.width > 0).map(r => ({{x: r.x, y: r.y, width: r.width, height: r.height}}))[0]""")


class Steps:
    def __init__(self, game, check, source):
        self.program, self.checker, self.source = map(os.path.abspath, (game, check, source))
        self.work, port = tempfile.mkdtemp(prefix="e2e."), free_port()
        self.processes, self.closing, self.games, self.screens, self.xservers = [], [], {}, {}, {}
        self.managed, self.target, self.said, self.daemon, self.sizes = set(), "host", "", None, {}
        self.meetings, self.nats = {}, {}  # meeting points' namespaces and ports by name; their processes
        version = re.search(r"project\(tumblequay VERSION ([0-9.]+)", open(f"{source}/CMakeLists.txt").read())[1]
        self.vars = dict(work=self.work, port=port, relay=port + 1, version=version, source=self.source)

    def play(self, scenario):
        for step in scenario.split(";"):
            words = shlex.split(step.strip().format_map(self.vars))
            target, _, verb = words[0].rpartition(":")
            self.target = target or "host"
            getattr(self, verb)(*words[1:])

    def close(self):
        for process in reversed(self.processes):
            process.poll() is None and process.terminate()
            until(lambda: process.poll() is not None, 5) or process.kill()  # a game that hangs
            process.wait()
        for closing in self.closing:
            closing()
        if os.environ.get("KEEP_WORK"):
            return print(f"kept: {self.work}", file=sys.stderr)
        shutil.rmtree(self.work, ignore_errors=True)

    def spawn(self, command, log, **options):  # its output in LOG.out and LOG.err
        with open(f"{self.work}/{log}.out", "wb") as out, open(f"{self.work}/{log}.err", "wb") as err:
            self.processes.append(subprocess.Popen(command, **(dict(stdout=out, stderr=err) | options)))
        return self.processes[-1]

    def sh(self, *command, **options):  # as a step too: a command that must succeed
        result = subprocess.run(command, capture_output=True, text=True, **options)
        result.returncode == 0 or fail(f"{' '.join(command)}: {(result.stdout + result.stderr)[-600:]}")
        return result.stdout

    def size(self, size):  # the virtual screen of the target, before its first start: WIDTHxHEIGHT
        self.sizes[self.target] = tuple(map(int, size.split("x")))

    def screen(self, name):
        if name not in self.screens:
            read, write = os.pipe()
            width, height = self.sizes.get(name, (WIDTH, HEIGHT))
            self.xservers[name] = self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                              f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"], f"{name}.xvfb",
                                             pass_fds=(write,))
            os.close(write)
            self.screens[name] = ":" + (os.fdopen(read).readline().strip() or fail("no virtual screen"))
        return self.screens[name]

    def display(self, who=None):
        return dict(os.environ, DISPLAY=self.screen(who or self.target))

    def x(self, *command, who=None):
        return subprocess.run(command, env=self.display(who), capture_output=True).returncode == 0

    def game(self, who=None):
        return self.games.get(who or self.target) or fail(f"no game {who or self.target}")

    def text(self, stream):
        return open(f"{self.work}/{self.target}.{stream}", errors="replace").read()

    def check(self, kind, path, *arguments, size=None, who=None):  # a page's shots at their own size
        size = size or (png_size(path) if self.game(who).page else self.sizes.get(who or self.target, (WIDTH, HEIGHT)))
        self.said = (result := subprocess.run([self.checker, kind, path, str(size[0]), str(size[1]), *arguments],
                                              cwd=self.game(who).folder, capture_output=True, text=True)).stderr
        return result.returncode == 0 and (result.stdout or "holds")

    def shot(self, who=None):
        game, taken = self.game(who), lambda: set(glob.glob(f"{self.game(who).folder}/screen*.png"))
        if game.page:  # the picture as shown now, through the browser
            game.last, clip = f"{game.folder}/page.png", game.page.rectangle("canvas") or fail("no picture shown")
            open(game.last, "wb").write(base64.b64decode(game.page.send("Page.captureScreenshot", clip=clip | dict(
                scale=1))["data"]))
            return game.last
        before = taken()
        self.press("Print", who=who)
        new = until(lambda: taken() - before) or fail(f"{who or self.target}: no screenshot was written")
        game.last = self.vars[f"{who or self.target}_shot"] = numbered(new)[-1]
        return game.last

    def state(self, who=None):  # (team on turn, moves left, banner up) in the next screenshot
        shown = until(lambda: self.check("state", self.shot(who), who=who))
        return tuple(int(n) for n in re.findall(r"\d+", shown or fail(f"{self.game(who).last}: no match")))

    def start(self, *words, program=None, cwd=None, folder=None):
        """The game with its arguments, its window up; nowindow, noscreen, nodata, nobody, portmap, in=, preload=."""
        name, folder = self.target, folder or f"{self.work}/{self.target}"
        flags = {word for word in words if word in ("nowindow", "noscreen", "nodata", "nobody", "portmap")}
        given = dict(word.split("=", 1) for word in words if re.fullmatch(r"\w+=.*", word))
        # Settings of the test's own, never the machine's player's.
        env = os.environ | dict(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=f"{self.work}/{name}.raw",
                                TUMBLEQUAY_NO_PORT_MAP="1", DISPLAY="" if "noscreen" in flags else self.screen(name),
                                XDG_CONFIG_HOME=f"{self.work}/{name}.config")
        env |= {key: value for key, value in given.items() if key.isupper()}
        "portmap" in flags and env.pop("TUMBLEQUAY_NO_PORT_MAP")
        "preload" in given and env.update(LD_PRELOAD=f"{os.path.dirname(self.checker)}/lib{given['preload']}.so")
        runner = (["ip", "netns", "exec", self.vars[given["in"]]] if "in" in given else []) + shlex.split(
            os.environ.get("GAME_RUNNER", ""))
        "nodata" in flags or os.path.exists(f"{folder}/dat") or shutil.copytree(f"{self.source}/dat", f"{folder}/dat")
        if "nobody" in flags and os.getuid() == 0:  # root writes anywhere
            runner = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + runner
            os.chmod(self.work, 0o755)
        arguments = [word for word in words if word not in flags and not re.fullmatch(r"\w+=.*", word)]
        program = program or given.get("program")
        process = self.spawn(runner + [program or self.program] + arguments, name, cwd=cwd or folder, env=env)
        self.games[name] = SimpleNamespace(process=process, folder=folder, last=None, heard=0, kept=None, page=None)
        if not flags & {"nowindow", "noscreen"}:
            window = lambda: self.x("xdotool", "search", "--name", WINDOW)
            until(lambda: process.poll() is not None or window()) and process.poll() is None or fail(
                f"{name}: no window appeared: {self.text('err')}")
            name in self.managed and self.x("xdotool", "search", "--name", WINDOW, "windowactivate", "--sync")

    def exit(self, status, *words):  # within=S seconds (10), and one line on standard error unless 0 or lines=any
        given = dict(word.split("=") for word in words)
        within = float(given.get("within", 10))
        until(lambda: self.game().process.poll() is not None, within) or fail(
            f"{self.target}: the game did not end within {within} s")
        code, said = self.game().process.returncode, self.text("err")
        code == int(status) or fail(f"{self.target}: exit status {code}, not {status}: {said}")
        code == 0 or given.get("lines") == "any" or said.count("\n") == 1 or fail(f"{self.target}: not one line: {said}")

    def alive(self):
        self.game().process.poll() is None or fail(f"{self.target} ended: {self.text('err')}")

    def kill(self, name):
        self.game().process.send_signal(getattr(signal, "SIG" + name))
        name == "KILL" and self.game().process.wait()

    def usage(self, *arguments):
        self.start("noscreen", *arguments)
        self.exit(2), self.err("^usage: tumblequay "), self.out("!(?s).")

    def see(self, kind, *words):
        given, rest = dict(word.split("=") for word in words if "=" in word), [w for w in words if "=" not in w]
        size = given["size"].split("x") if "size" in given else None
        shot = lambda: f"{self.game().folder}/{given['file']}" if "file" in given else self.shot()  # or one taken
        until(lambda: self.check(kind, shot(), *rest, size=size), float(given.get("timeout", 10))) or fail(
            f"{self.game().last} does not show {kind} {' '.join(rest)}: {self.said}")

    def sound(self, seconds):
        time.sleep(float(seconds))
        played = open(f"{self.work}/{self.target}.raw", "rb").read()[self.game().heard:]
        len(played) > float(seconds) * 44100 * 4 * 0.56 or fail(f"the sound stopped: {len(played)} bytes")  # stereo
        max(array.array("h", played[: len(played) // 2 * 2]), default=0) > 0 or fail("silence")
        self.game().heard += len(played)

    def heard_now(self, skip=0.4):  # what was written so far, and what the device still held, is passed over
        time.sleep(skip)
        self.game().heard = os.path.getsize(f"{self.work}/{self.target}.raw")

    def played(self, seconds):  # the frames written in the next seconds, as 16-bit values
        self.heard_now()
        time.sleep(float(seconds))
        played = open(f"{self.work}/{self.target}.raw", "rb").read()[self.game().heard:]
        self.game().heard += len(played)
        len(played) > float(seconds) * 44100 * 4 * 0.56 or fail(f"the sound stopped: {len(played)} bytes")
        return array.array("h", played[: len(played) // 2 * 2])

    def level(self, name, seconds):  # the power of the sound in those seconds, in dB
        values = self.played(seconds)
        self.vars[name] = 10 * math.log10(sum(v * v for v in values) / len(values) + 1e-9)

    def louder(self, loud, quiet, decibels):  # by so many dB, within 3 dB (the music's own swing)
        # Each the mean of the levels measured under its name and a number, taken in turn: the music's slow swell
        # falls on both.
        mean = lambda name: (levels := [v for k, v in self.vars.items() if re.fullmatch(name + r"\d+", k)]) and sum(
            levels) / len(levels)
        said = mean(loud) - mean(quiet)
        print(f"{loud} is {said:.1f} dB above {quiet}")
        abs(said - float(decibels)) <= 3 or fail(f"{loud} is {said:.1f} dB above {quiet}, not {decibels}")

    def silent(self, seconds):
        values = self.played(seconds)
        any(values) and fail(f"not silent: up to {max(map(abs, values))}")

    def settings(self, text):  # the settings file under {work}/cfg
        os.makedirs(f"{self.work}/cfg/tumblequay", exist_ok=True)
        open(f"{self.work}/cfg/tumblequay/settings", "w").write(text.encode().decode("unicode_escape"))

    def kept(self, text):  # the settings file comes to hold this
        path, text = f"{self.work}/cfg/tumblequay/settings", text.encode().decode("unicode_escape")
        until(lambda: open(path).read() == text) or fail(f"the settings hold {open(path).read()!r}, not {text!r}")

    def computer_turn(self):  # the person's moves spent by switches, until the computer moves
        for _ in range(40):
            team, moves, banner = self.state()
            if team == 1 and not banner:
                return
            team == 0 and self.press("Down")
            time.sleep(0.3)
        fail(f"{self.game().last}: the computer's turn never came")

    def hold_still(self, seconds):  # the picture, the moves and the sound held while paused
        first, self.paused = self.shot(), self.state()
        self.silent(seconds)
        self.check("same", self.shot(), first) or fail(f"the paused screen changed: {self.said}")

    def moves_go_on(self):  # from where the pause held them: the computer may end its turn before a first look
        until(lambda: self.state() != self.paused, 5) or fail(f"{self.game().last}: the match stayed paused")

    def old_replays(self, count):  # replay0 .. replayN-1, oldest first, but replay7 older than all
        os.makedirs(folder := f"{self.work}/{self.target}", exist_ok=True)
        for n in range(int(count)):
            open(f"{folder}/replay{n}.tqr", "w").write("old")
            os.utime(f"{folder}/replay{n}.tqr", (1e9, 1e9 + (n if n != 7 else -1) * 60))

    def out(self, *patterns, stream="out"):  # each comes to be said; one after "!" is not
        for pattern in patterns:
            found = lambda: re.search(pattern.removeprefix("!"), self.text(stream), re.M)
            (not found() if pattern.startswith("!") else until(found)) or fail(f"{pattern!r}: {self.text(stream)}")

    err = functools.partialmethod(out, stream="err")

    def files(self, pattern, count):
        found = lambda: glob.glob(os.path.join(f"{self.work}/{self.target}", pattern))
        until(lambda: len(found()) == int(count)) or fail(f"not {count} of {pattern}: {found()}")

    def take_port(self, port):
        self.closing.append((held := socket.socket(type=socket.SOCK_DGRAM)).close)
        held.bind(("", int(port)))

    def damage(self):  # samples cut, corrupt, empty, mono, too long or large, a folder, missing; bad pictures
        data = f"{self.work}/host/dat"
        shutil.copytree(f"{self.source}/dat", data)
        old = lambda name: open(f"{data}/{name}", "rb").read()
        corrupt = lambda name, at: old(name)[:at] + b"X" * 16 + old(name)[at + 16:]
        values = ("-1", "-2147483648", "+2147483647", "259", "-250", "3")  # and one past 32 bits
        numbers = " ".join("4294967298" if k == 3000 else values[k % 6] for k in range(4096))
        for name, content in {"samples/drum0.ogg": old("samples/drum0.ogg")[:3000],  # cut in its headers
                              "samples/step.ogg": old("samples/step.ogg")[:6000],  # cut in its sound
                              "samples/push.ogg": corrupt("samples/push.ogg", 200), "samples/start.ogg": b"",
                              "samples/rotate.ogg": corrupt("samples/rotate.ogg", 5000), "ms0.txt": numbers.encode(),
                              "samples/ball.ogg": os.urandom(20000), "samples/drum2.ogg": old("ms0.txt"),
                              "ms1.txt": os.urandom(30000), "ms2.txt": b"7" * 10_000_000}.items():
            open(f"{data}/{name}", "wb").write(content)
        self.sh("sox", "-n", "-r", "44100", "-c", "1", f"{data}/samples/swap.ogg", "synth", "0.5", "sine", "300")
        self.sh("sox", "-n", "-r", "44100", "-c", "2", "-C", "-1", f"{data}/samples/drum1.ogg", "synth", "40", "sine",
                "200", "vol", "0.1")
        os.truncate(f"{data}/samples/score.ogg", 80 << 20)
        os.remove(f"{data}/samples/drum3.ogg"), os.remove(f"{data}/samples/end.ogg")
        os.mkdir(f"{data}/samples/end.ogg")

    def press(self, *keys, who=None, delay="12"):
        if not (page := self.game(who).page):
            return self.x("xdotool", "key", "--clearmodifiers", "--delay", delay, *keys, who=who)
        for code, number, key in map(PAGE_KEYS.get, keys):
            for kind in ("rawKeyDown", "keyUp"):
                page.send("Input.dispatchKeyEvent", type=kind, code=code, key=key, windowsVirtualKeyCode=number)
            time.sleep(0.1)

    def hold(self, *keys):  # each long enough for the game to see it held for a few steps
        self.x("xdotool", *(word for key in keys for word in ("keydown", key, "sleep", "0.1", "keyup", key)))

    def wait(self, seconds):
        time.sleep(float(seconds))

    def wm(self):
        open(f"{self.work}/openbox.xml", "w").write(
            '<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/><mouse/></openbox_config>\n')
        self.spawn(["openbox", "--config-file", f"{self.work}/openbox.xml"], "openbox", env=self.display())
        until(lambda: self.x("sh", "-c", "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'")) or fail(
            "the window manager did not start")
        self.managed.add("host")

    def pad(self, *event):
        open(f"{self.work}/pads", "a").write(" ".join(event) + "\n")

    def moves(self):
        self.game().kept = until(lambda: (shown := self.state())[2] == 0 and shown) or fail("no match under way")

    def spent(self, count):  # of the kept moves, and no more; "more": more than one, or the turn passed
        team, kept, _ = self.game().kept
        if count == "more":
            return until(lambda: (shown := self.state())[0] != team or shown[1] < kept - 1) or fail("no turn")
        until(lambda: self.state()[1] != kept)
        time.sleep(0.3)
        self.state()[1] == kept - int(count) or fail(f"{self.game().last}: not {kept - int(count)} moves left")

    def rotations(self):  # two turns, each spent by its own team's keys turning its player, a move a press
        for _ in range(2):
            team, moves, _ = until(lambda: (shown := self.state())[2] == 1 and shown) or fail("no turn's banner")
            keys = (("Left", "Right"), ("a", "d"))[team]
            self.press(keys[1])  # the first key only takes the banner away
            for left in range(moves - 1, -1, -1):
                # A tap while the player still turns does nothing, and on a stalled machine the game's time may lag
                # the test's: tap again, up to three times, while none was taken.
                for _ in range(3):
                    time.sleep(0.3)  # the player settles
                    self.press(keys[left % 2])
                    shown = until(lambda: (now := self.state())[:2] != (team, left + 1) and now, 3)
                    if shown:
                        break
                shown and (shown[:2] == (team, left) or left == 0 and shown[0] != team) or fail(
                    f"{self.game().last}: {keys[left % 2]} did not leave team {team} {left} moves: {shown}")

    def turns(self, rival="friend"):
        """Team 1 (the friend or the computer) takes a turn and gives it back; in each the other side's keys
        spend no move and the side's do (the computer's one each 0.4 s); on each banner the friend agrees."""
        passed, last, end = 0, None, time.monotonic() + 60
        while time.monotonic() < end:  # a turn's banner, or the next turn under way
            news = lambda shown: (shown[2] == 1 or shown[0] != last) and shown
            shown = until(lambda: news(self.state("host")), 6) or self.state("host")
            rival == "friend" and self.agree(shown)
            passed, last, team = passed + (last is not None and shown[0] != last), shown[0], shown[0]
            if passed == 2:
                return
            side, other = ("host", rival) if team == 0 else (rival, "host")
            if side == "computer":  # its banner goes by itself; its moves are counted from a shot after begun
                until(lambda: self.state()[2] == 0) or fail("the computer's banner stays")
            begun = time.monotonic()
            side == "computer" and (shown := self.state())
            other == "computer" or self.press("Down", "Down", "Down", who=other)
            side == "computer" or time.sleep(0.5)
            after = self.state()
            # A move each 0.4 s, and after a stall of the machine up to 32 steps (0.58 s) of catching up at once.
            paced = int((time.monotonic() - begun + 0.58) / 0.396) + 1 if side == "computer" else 0
            after[0] != team or after[1] >= shown[1] - paced or fail(f"the {other}'s keys spent: {shown}, {after}")
            side == "computer" or (self.press("space", who=side), time.sleep(0.3), self.press("Down", who=side))
            until(lambda: (now := self.state("friend" if side == "friend" else "host"))[0] != team or now[1] < after[1],
                  2 if side == "computer" else 5) or fail(f"the {side} spent no move in team {team}'s turn")
            side == "computer" or self.press(*["Down"] * 10, who=side, delay="100")
            time.sleep(0.5)
        fail("the turn did not go to team 1 and back")

    def agree(self, host=None):
        until(lambda: self.state("friend") == (host or self.state("host")), 6) or fail(
            f"the screens show other turns: {self.game('friend').last}, {self.game('host').last}")

    def relay(self):
        self.spawn([sys.executable, f"{os.path.dirname(__file__)}/udp_relay.py", str(self.vars["relay"]),
                    str(self.vars["port"]), "--seed", "7"], "relay")

    def code(self):
        found = until(lambda: re.match(r".*\n.* (\w{10})\n", self.text("out"))) or fail(f"no code: {self.text('out')}")
        typed = found[1].upper().translate(str.maketrans("01V", "olu"))  # as a person copies it from the screen
        self.vars.update(code=found[1], wrong="1111111111" if found[1] == "0000000000" else "0000000000",
                         typed=f"{typed[:5]} {typed[5:]}")

    def killed_printing(self):  # whole screenshots, .tmp files, no number that failed before
        game = self.game()
        presses = self.spawn(["xdotool", "key", "--delay", "20"] + ["Print"] * 200, "presses", env=self.display())
        time.sleep(2)
        game.process.kill(), game.process.wait(), presses.kill()
        for name in (names := set(os.listdir(game.folder)) - {"dat"}):
            re.fullmatch(r"screen([2-9]|\d\d+)\.png(\.tmp)?", name) or fail(f"unexpected file {name}")
            name.endswith(".tmp") or self.check("png", f"{game.folder}/{name}") or fail(f"{name} is not whole")
        sum(name.endswith(".png") for name in names) >= 3 or fail(f"only {names} before the kill")

    def replay_matches(self):  # its first banner as the match's, paused until the blinking ring agrees; marked
        self.see("match-start")  # once the samples have loaded
        self.check("word", self.game().last, "44", "replay", "13") or fail(f"not marked as a replay: {self.said}")
        shots = numbered(glob.glob(f"{self.game().folder}/screen*.png"))
        recorded = next(path for path in shots if self.check("match-start", path))  # the match's first banner
        for _ in range(8):
            self.press("space")
            if self.check("replay-of", self.shot(), recorded):
                time.sleep(3)  # paused: still the banner that the match took away within three seconds
                self.check("replay-of", self.shot(), recorded) or fail(f"the replay did not pause: {self.said}")
                return self.check("word", self.game().last, "36", "paused", "13") or fail(f"no pause: {self.said}")
            self.press("space"), time.sleep(0.1)
        fail(f"the replay's first banner differs from the match's: {self.said}")

    def synced(self, name):  # its temporary file synced before it was linked into place
        log = open(f"{self.work}/files").read().splitlines()
        linked = log.index(f"link {name}.tmp {name}") if f"link {name}.tmp {name}" in log else fail(f"{log}")
        f"fsync {self.game().folder}/{name}.tmp" in log[:linked] or fail(f"not synced before linked: {log}")

    def linked(self, dat, data):
        os.path.islink(dat) and os.readlink(dat) == data or fail(f"{dat} does not link to {data}")

    def launcher(self):
        """The launcher runs the game (a stand-in), dat linked but for the player's own; no HOME fails, a
        read-only one plays elsewhere."""
        prefix, home = f"{self.work}/prefix", f"{self.work}/home"
        self.sh("cmake", "--install", os.path.dirname(self.program), "--prefix", prefix)
        data, dat = f"{prefix}/share/games/tumblequay/dat", f"{home}/.local/share/tumblequay/dat"
        open(f"{prefix}/lib/games/tumblequay/tumblequay", "w").write(f'#!/bin/sh\npwd >"{self.work}/ran"\nexit 3\n')
        base = {k: v for k, v in os.environ.items() if k not in ("HOME", "XDG_DATA_HOME")}
        run = lambda env: subprocess.run([f"{prefix}/games/tumblequay"], cwd=self.work, env=base | env,
                                         capture_output=True, text=True)
        # XDG_DATA_HOME (None: unset), what was at dat, the dat the game runs by (None: the player's own).
        for xdg, before, folder in ((None, None, dat), ("", None, dat), ("relative/path", None, dat),
                                    (f"{self.work}/xdg", None, f"{self.work}/xdg/tumblequay/dat"),
                                    (None, lambda: os.symlink("/nonexistent", dat), dat),  # an older install's
                                    (None, lambda: open(dat, "w").close(), dat),  # a stray file
                                    (None, lambda: (os.mkdir(dat), open(f"{dat}/ms0.txt", "w").close()), None)):
            before and (os.remove(dat), before())
            result = run({"HOME": home} | ({} if xdg is None else {"XDG_DATA_HOME": xdg}))
            ran = result.returncode == 3 and open(f"{self.work}/ran").read().strip()
            ran == os.path.dirname(folder or dat) or fail(f"not the game by {folder or dat}: {ran}, {result.stderr}")
            self.linked(folder, data) if folder else os.path.isfile(f"{dat}/ms0.txt") or fail(
                "the player's own dat folder was replaced")
        (result := run({})).returncode == 1 and "HOME" in result.stderr or fail(f"without HOME: {result.stderr}")
        # A home that cannot be written (even by root): a temporary folder, said in one line.
        result, ran = run({"HOME": "/proc"}), open(f"{self.work}/ran").read().strip()
        result.returncode == 3 and re.fullmatch(r"tumblequay: cannot write to /proc/\S+; screenshots and replays go "
                                                rf"to {re.escape(ran)}\n", result.stderr) or fail(result.stderr)
        self.linked(f"{ran}/dat", data), shutil.rmtree(ran)

    def package(self):
        """The package, installed (and removed unless it was there), and the game from its menu entry."""
        root = [] if os.getuid() == 0 else ["sudo", "-n"]
        root and subprocess.run([*root, "true"], capture_output=True).returncode and skip(
            "installing a package needs root or sudo without a password")
        installed = lambda: "install ok installed" in subprocess.run(
            ["dpkg-query", "-W", "-f=${Status}", "tumblequay"], capture_output=True, text=True).stdout
        apt = root + ["env", "DEBIAN_FRONTEND=noninteractive", "apt-get", "-y", "-q"]
        installed() or self.closing.append(lambda: installed() and subprocess.run(apt + ["purge", "tumblequay"]))
        self.sh("cpack", "--config", f"{os.path.dirname(self.program)}/CPackConfig.cmake", "-B", f"{self.work}/deb")
        deb = glob.glob(f"{self.work}/deb/tumblequay_*.deb")[0]
        re.search(r"^[EW]: | hardening-", lint := self.sh("lintian", "-I", deb), re.M) and fail(f"lintian: {lint}")
        self.sh(*apt, "install", "--reinstall", deb)
        metainfo = re.findall(r"\S+\.metainfo\.xml", self.sh("dpkg", "-L", "tumblequay"))
        self.sh("appstreamcli", "validate", "--no-net", *metainfo)
        manual = self.sh("man", "-P", "cat", "tumblequay", env=dict(os.environ, LC_ALL="C", MANWIDTH="80"))
        data, entry = "/usr/share/games/tumblequay/dat", "/usr/share/applications/tumblequay.desktop"
        for topic in ("--window", "--fullscreen", "Alt+Enter", data, "EXIT STATUS", "GAMEPADS"):
            topic in manual or fail(f"the manual page does not mention {topic}")
        self.sh("desktop-file-validate", entry)
        re.search("^Name=tumblequay$", entry := open(entry).read(), re.M) or fail("the menu entry's name is not ours")
        for size in ("16", "24", "32", "48", "64", "128", "256"):
            self.sh(self.checker, "png", f"/usr/share/icons/hicolor/{size}x{size}/apps/tumblequay.png", size, size)
        self.sh("/usr/games/tumblequay", "--version") == self.sh(self.program, "--version") or fail(
            "the launcher does not pass the command line on")
        os.makedirs(f"{self.work}/elsewhere")
        self.start("nodata", f"HOME={self.work}/home", "XDG_DATA_HOME=", cwd=f"{self.work}/elsewhere",
                   program=re.search("^Exec=(.*)$", entry, re.M)[1], folder=f"{self.work}/home/.local/share/tumblequay")
        self.linked(f"{self.game().folder}/dat", data)

    def page(self, *words):  # [WIDTHxHEIGHT] [touch] [link] [chromium's flags]; it takes the place of the page before
        "url" in self.vars or self.page_serve()
        os.path.exists(dat := f"{self.work}/{self.target}/dat") or shutil.copytree(f"{self.source}/dat", dat)
        (old := self.games.get(self.target)) and old.process.terminate()
        size = next((tuple(map(int, word.split("x"))) for word in words if re.fullmatch(r"\d+x\d+", word)), None)
        flags = [word for word in words if word.startswith("--")]
        url = self.vars["link"] if "link" in words else self.vars["url"]
        page = Page(url, f"{self.work}/{self.target}", *flags, size=size or (WIDTH, HEIGHT),
                    touch="touch" in words)
        self.processes.append(page.process)
        self.games[self.target] = SimpleNamespace(process=page.process, folder=f"{self.work}/{self.target}", page=page)

    def page_serve(self):  # the page's folder served at {url}, with meet.txt naming a meeting point if one runs
        port, self.vars["url"], site = self.vars["port"], f"http://127.0.0.1:{self.vars['port']}/", self.program
        if "ws" in self.vars:
            shutil.copytree(self.program, site := f"{self.work}/site")
            open(f"{site}/meet.txt", "w").write(f"ws://127.0.0.1:{self.vars['ws']}\n")
        self.spawn([sys.executable, "-m", "http.server", "-b", "127.0.0.1", "-d", site, str(port)], "http")
        until(lambda: socket.socket().connect_ex(("127.0.0.1", port)) == 0) or fail("the page is not served")

    def reload(self):  # the same page loaded again, with what the browser keeps for it
        self.game().page.send("Page.reload")

    def told(self, expression, seconds=10):
        held = lambda: self.game().page.send("Runtime.evaluate", expression=expression)["result"].get("value")
        return until(held, seconds) or fail(f"the page never held {expression}")

    def drawn(self):  # loading it may take long on a busy machine
        drawn = self.told("typeof _FirstFrameMilliseconds == 'function' && _FirstFrameMilliseconds()", 30)
        print(f"page: {sum(f.stat().st_size for f in os.scandir(self.program))} bytes, first frame at {drawn:.0f} ms")

    def tap(self, selector, stalled=False):
        """A finger on the middle of what the selector shows, at once lifted; stalled, while the page is busy for
        0.3 s, so that the page gets the touch and its end together, with no step of the game between them."""
        page, shown = self.game().page, self.game().page.rectangle(selector) or fail(f"{selector} is not shown")
        middle = dict(x=shown["x"] + shown["width"] / 2, y=shown["y"] + shown["height"] / 2)
        stalled and page.post("Runtime.evaluate", expression="(end => { while (performance.now() < end); })("
                                                             "performance.now() + 300)")
        page.post("Input.dispatchTouchEvent", type="touchStart", touchPoints=[middle])
        page.send("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def shape(self, size, touch=""):
        """The window turned or resized: the picture 4:3 (its canvas drawn at its size), no button over it, as large
        as the buttons leave room for, and the title's cells read back from it in their places."""
        page, (width, height) = self.game().page, map(int, size.split("x"))
        page.view((width, height), touch == "touch")
        until(lambda: page.value(f"innerWidth == {width} && innerHeight == {height}")) or fail(f"{size}: no such window")
        # The page lays out again before the next frame, the game fits its canvas in the one after.
        page.send("Runtime.evaluate", expression="new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))",
                  awaitPromise=True)
        fitted = """(c => { const r = c.getBoundingClientRect(); return r.right <= innerWidth && r.bottom <= innerHeight &&
            c.width == Math.round(r.width * devicePixelRatio) && c.height == Math.round(r.height * devicePixelRatio);
            })(document.querySelector('canvas'))"""
        until(lambda: page.value(fitted)) or fail(f"{size}: the canvas was not fitted to the window")
        shown = page.rectangle("canvas")
        abs(shown["width"] * 3 - shown["height"] * 4) <= 1 or fail(f"{size}: the picture is not 4:3: {shown}")
        max(shown["width"] / width, shown["height"] / height) >= 0.6 or fail(f"{size}: a small picture: {shown}")
        over = page.value("""(c => [...document.querySelectorAll('button')].filter(b => { const r =
            b.getBoundingClientRect(); return r.width > 0 && r.left < c.right && r.right > c.left && r.top < c.bottom &&
            r.bottom > c.top; }).map(b => b.textContent))(document.querySelector('canvas').getBoundingClientRect())""")
        over and fail(f"{size}: buttons over the picture: {over}")
        self.see("title-waiting")

    def touch_turns(self):
        """Against the computer by touch alone: each turn's banner tapped away, which spends nothing, then the pad's
        buttons in turn, each spending one move (a step may be blocked), until each has spent one and a whole turn
        has gone to the computer. The turns are tapped while the page stalls: the shortest tap still counts."""
        buttons, tapped, spent, whole = ("switch", "step", "turn-left", "turn-right"), 0, set(), False
        while len(spent) < len(buttons) or not whole:
            shown = until(lambda: (now := self.state())[0] == 0 and now, 30) or fail("the person's turn never came")
            began = shown[2] == 1
            if began:
                self.tap("canvas")
                moves = shown[1]
                shown = until(lambda: (now := self.state())[2] == 0 and now) or fail("a tap left the banner up")
                shown[1] == moves or fail(f"{self.game().last}: the tap on the banner spent a move")
            while shown[0] == 0 and shown[1] > 0:
                tapped, button = tapped + 1, buttons[tapped % len(buttons)]
                tapped < 60 or fail(f"no move of every button in 60 taps: {spent}")
                self.tap(f"#left [data-control={button}]", stalled=button.startswith("turn"))
                if not until(lambda: (now := self.state())[0] != 0 or now[1] < shown[1], 2):
                    button == "step" or fail(f"{self.game().last}: {button} spent no move")
                    continue  # the step was blocked
                time.sleep(0.3)  # the player settles; a second move would show now
                after = self.state()
                after[0] != 0 or after[1] == shown[1] - 1 or fail(f"{self.game().last}: {button} spent more than one")
                spent.add(button)
                shown = after
            until(lambda: self.state()[0] == 1, 5) or fail(f"{self.game().last}: the turn stayed")
            whole = whole or began

    def lose_context(self):  # as a phone may take it, and then give it back: the picture starts again
        self.game().page.value("""(lose => { lose.loseContext(); setTimeout(() => lose.restoreContext(), 300); })(
            document.querySelector('canvas').getContext('webgl').getExtension('WEBGL_lose_context'))""")
        until(lambda: self.game().page.value("document.querySelector('canvas').getContext('webgl').isContextLost()"),
              2) or fail("the context was not lost")

    def click(self):
        for kind in ("mousePressed", "mouseReleased"):
            self.game().page.send("Input.dispatchMouseEvent", type=kind, x=600, y=300, button="left", clickCount=1)

    def console(self):  # while a meeting point was down, the browser's own notes of refused WebSockets pass
        time.sleep(0.5)
        self.game().page.value("0")  # with what the browser said meanwhile
        refused = f"WebSocket connection to 'ws://127.0.0.1:{self.vars.get('ws')}/' failed: " if "outage" in self.vars \
            else None
        errors = [error for error in self.game().page.errors if not (refused and refused in error)]
        errors and fail("the console reported: " + "; ".join(errors))

    def meeting_here(self, again=""):
        """A meeting point on this machine's loopback: nats-server on the game's configuration, its TCP port for
        desktop games ({meet}) and its WebSocket port for pages ({ws}); "again": started again on the same ports
        after meeting_down here. Stopped with the test."""
        shutil.which("nats-server") or (print("skipped: nats-server is not installed"), sys.exit(77))
        if not again:
            tcp, ws = free_port(), free_port()
            shutil.copy(f"{self.source}/meet/game.conf", self.work)
            open(f"{self.work}/here.conf", "w").write(f'listen: "127.0.0.1:{tcp}"\nwebsocket {{ listen: '
                                                      f'"127.0.0.1:{ws}"; no_tls: true }}\ninclude "game.conf"\n')
            self.vars.update(meet=f"127.0.0.1:{tcp}", ws=ws)
        ports = (int(self.vars["meet"].split(":")[1]), self.vars["ws"])
        self.nats["here"] = self.spawn(["nats-server", "-c", f"{self.work}/here.conf"], "here")
        listening = lambda: all(socket.socket().connect_ex(("127.0.0.1", port)) == 0 for port in ports)
        until(listening) or fail(f"nats-server does not listen: {open(f'{self.work}/here.err').read()}")

    def click_on(self, selector):  # the page's element clicked, as a mouse does, once it is shown
        until(lambda: self.game().page.rectangle(selector)) or fail(f"{selector} is not shown")
        self.game().page.value(f"document.querySelector({json.dumps(selector)}).click()")

    def page_code(self):  # the code and the link the hosting page shows
        page = self.game().page
        shown = until(lambda: page.value("(document.getElementById('online-code') || {}).textContent"), 20) or fail(
            "the page shows no code: " + page.value("document.getElementById('online').innerText"))
        self.vars.update(code=shown.replace(" ", ""), link=page.value("document.getElementById('online-link').href"))
        self.vars["link"] == f"{self.vars['url']}#{self.vars['code']}" or fail(f"the link: {self.vars['link']}")

    def type_code(self, *words):  # typed into the page's field as a person does, and the join button pressed
        page = self.game().page
        until(lambda: page.rectangle("#join-code")) or fail("the page offers no joining")
        page.value("document.getElementById('join-code').focus()")
        page.send("Input.insertText", text=" ".join(words))
        page.value("document.querySelector('#join-online button').click()")

    def rig(self, line="own"):
        """Home, its router (that drops what comes unasked, 5.5.5.1 as miniupnpd wants) and outside; with "shared",
        a line on a carrier's shared address (100.64.0.1), where no port can be opened."""
        os.getuid() == 0 or skip("network namespaces need root")
        shutil.which("nft") or skip("nft (nftables) is not installed")
        for name in ("home", "router", "outside"):
            self.vars[name] = f"tq{name}{os.getpid()}"
            subprocess.run(["ip", "netns", "add", self.vars[name]], capture_output=True).returncode and (
                skip if name == "home" else fail)(f"cannot make the network namespace {self.vars[name]}")
            self.closing.append(functools.partial(subprocess.run, ["ip", "netns", "delete", self.vars[name]]))
            self.sh("ip", "-n", self.vars[name], "link", "set", "lo", "up")
        # miniupnpd's chains, jumped to from the hooks; what comes unasked is dropped.
        open(f"{self.work}/router.nft", "w").write("""table inet filter {
            chain forward { type filter hook forward priority 0; policy drop; ct state established,related accept;
                iifname "lan" accept; jump miniupnpd; }
            chain prerouting { type nat hook prerouting priority dstnat; jump prerouting_miniupnpd; }
            chain postrouting { type nat hook postrouting priority srcnat; oifname "wan" masquerade;
                jump postrouting_miniupnpd; }
            chain miniupnpd { }; chain prerouting_miniupnpd { }; chain postrouting_miniupnpd { }; }\n""")
        commands = ["ip link add eth0 netns {home} type veth peer name lan netns {router}",
                    "ip link add wan netns {router} type veth peer name eth0 netns {outside}"]
        for name, device, address in (("home", "eth0", "192.168.77.2"), ("router", "lan", "192.168.77.1"),
                                      ("router", "wan", "5.5.5.1" if line == "own" else "100.64.0.1"),
                                      ("outside", "eth0", "5.5.5.2" if line == "own" else "100.64.0.2")):
            commands += [f"ip -n {{{name}}} addr add {address}/24 brd + dev {device}",
                         f"ip -n {{{name}}} link set {device} up"]
        commands += ["ip -n {home} route add default via 192.168.77.1",
                     "ip netns exec {router} sysctl -q -w net.ipv4.ip_forward=1",
                     "ip netns exec {router} nft -f {work}/router.nft"]
        for command in commands:
            self.sh(*command.format_map(self.vars).split())

    def router(self, mode, *settings):  # natpmp, upnp or off; settings such as secure_mode=no go into its file
        self.daemon and (self.daemon.terminate(), self.daemon.wait())
        if mode == "off":
            return
        given = dict(setting.split("=", 1) for setting in settings)
        open(f"{self.work}/miniupnpd.conf", "w").write("".join(f"{key}={value}\n" for key, value in (dict(
            ext_ifname="wan", listening_ip="lan", port="5555", secure_mode="yes",
            enable_natpmp="yes" if mode == "natpmp" else "no", enable_upnp="yes" if mode == "upnp" else "no") | given
        ).items()) + "allow 1024-65535 192.168.77.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n")
        self.daemon = self.spawn(["ip", "netns", "exec", self.vars["router"], "miniupnpd", "-d", "-f",
                                  f"{self.work}/miniupnpd.conf", "-P", f"{self.work}/miniupnpd.pid"], "miniupnpd")
        listens = lambda: (":1900 " if mode == "upnp" else ":5351 ") in self.sh(
            "ip", "netns", "exec", self.vars["router"], "ss", "-uln")
        until(lambda: self.daemon.poll() is not None or listens()) and listens() or fail(
            f"miniupnpd does not listen: {open(self.work + '/miniupnpd.err').read()}")

    def internet(self, servers="1"):
        """An internet with a meeting point (nats-server at 6.0.0.1, or a cluster of three there on ports 4222,
        4232 and 4242), and three homes on it whose routers masquerade and drop what comes unasked, with no UPnP
        or NAT-PMP: a, b, and c behind a carrier's NAT."""
        os.getuid() == 0 or skip("network namespaces need root")
        shutil.which("nft") or skip("nft (nftables) is not installed")
        shutil.which("nats-server") or skip("nats-server is not installed")
        names = ("internet", "router_a", "home_a", "router_b", "home_b", "carrier", "router_c", "home_c")
        for name in names:
            self.vars[name] = f"tq{name.replace('_', '')}{os.getpid()}"
            subprocess.run(["ip", "netns", "add", self.vars[name]], capture_output=True).returncode and (
                skip if name == "internet" else fail)(f"cannot make the network namespace {self.vars[name]}")
            self.closing.append(functools.partial(subprocess.run, ["ip", "netns", "delete", self.vars[name]]))
            self.sh("ip", "-n", self.vars[name], "link", "set", "lo", "up")
        open(f"{self.work}/nat.nft", "w").write("""table inet filter {
            chain forward { type filter hook forward priority 0; policy drop; ct state established,related accept;
                iifname "lan" accept; }
            chain postrouting { type nat hook postrouting priority srcnat; oifname "wan" masquerade; }; }\n""")
        # (inner, its device, address; outer, its device, address): each link a pair of veths, /24.
        links = (("router_a", "wan", "6.0.1.2", "internet", "to_a", "6.0.1.1"),
                 ("home_a", "eth0", "192.168.1.2", "router_a", "lan", "192.168.1.1"),
                 ("router_b", "wan", "6.0.2.2", "internet", "to_b", "6.0.2.1"),
                 ("home_b", "eth0", "192.168.1.2", "router_b", "lan", "192.168.1.1"),
                 ("carrier", "wan", "6.0.3.2", "internet", "to_c", "6.0.3.1"),
                 ("router_c", "wan", "100.64.0.2", "carrier", "lan", "100.64.0.1"),
                 ("home_c", "eth0", "192.168.1.2", "router_c", "lan", "192.168.1.1"))
        for inner, device, address, outer, other, gateway in links:
            self.sh("ip", "link", "add", device, "netns", self.vars[inner], "type", "veth", "peer", "name", other,
                    "netns", self.vars[outer])
            for name, end, at in ((inner, device, address), (outer, other, gateway)):
                self.sh("ip", "-n", self.vars[name], "addr", "add", f"{at}/24", "dev", end)
                self.sh("ip", "-n", self.vars[name], "link", "set", end, "up")
            self.sh("ip", "-n", self.vars[inner], "route", "add", "default", "via", gateway)
        self.sh("ip", "-n", self.vars["internet"], "addr", "add", "6.0.0.1/32", "dev", "lo")
        for router in ("router_a", "router_b", "carrier", "router_c"):
            self.sh("ip", "netns", "exec", self.vars[router], "sysctl", "-q", "-w", "net.ipv4.ip_forward=1")
            self.sh("ip", "netns", "exec", self.vars[router], "nft", "-f", f"{self.work}/nat.nft")
        for n in range(int(servers)):
            self.meeting("in=internet", f"at=6.0.0.1:{4222 + 10 * n}", f"name=nats{n or ''}",
                         *([f"routes={','.join(str(6222 + 10 * m) for m in range(int(servers)) if m != n)}"]
                           if servers != "1" else []))

    def meeting(self, *words):
        """A meeting point: nats-server on the game's configuration, in=NAMESPACE at=ADDRESS:PORT, name= its
        log's, routes= the other servers' route ports on the same address (its own is 2000 below its port)."""
        given = dict(word.split("=", 1) for word in words)
        address, port = given["at"].split(":")
        name = given.get("name", "nats")
        os.path.exists(f"{self.work}/game.conf") or shutil.copy(f"{self.source}/meet/game.conf", self.work)
        cluster = (f'cluster {{ name: tq; listen: "{address}:{int(port) + 2000}"; routes: ['
                   + ", ".join(f'"nats-route://{address}:{route}"' for route in given["routes"].split(","))
                   + "] }\n") if "routes" in given else ""
        open(f"{self.work}/{name}.conf", "w").write(f'listen: "{address}:{port}"\n{cluster}include "game.conf"\n')
        self.meetings[name] = (given["in"], port)
        self.meeting_up(name)

    def meeting_up(self, name="nats"):  # started again, as before, once it listens
        where, port = self.meetings[name]
        self.nats[name] = self.spawn(["ip", "netns", "exec", self.vars[where], "nats-server", "-c",
                                      f"{self.work}/{name}.conf"], name)
        listening = lambda: f":{port} " in self.sh("ip", "netns", "exec", self.vars[where], "ss", "-tln")
        until(listening) or fail(f"nats-server does not listen: {open(f'{self.work}/{name}.err').read()}")

    def meeting_down(self, name="nats"):  # killed, as a machine that goes
        self.nats.pop(name).kill()
        self.vars["outage"] = True

    def stranger(self, where, seconds):
        """in=NAMESPACE: on the meeting point at 6.0.0.1, listens to everything it may, then plays back what it
        heard and garbage to every subject it saw, for the given seconds; it never hears the code."""
        namespace = self.vars[where.split("=", 1)[1]]
        self.sh("ip", "netns", "exec", namespace, sys.executable, f"{os.path.dirname(__file__)}/meet_stranger.py",
                "6.0.0.1", seconds, self.vars["code"])

    def unasked(self):  # a datagram to a router's address from another home never reaches the home behind it
        inside = "import socket; s = socket.socket(type=socket.SOCK_DGRAM); s.bind(('', 27183)); s.settimeout(3)\n" \
                 "try: print(s.recvfrom(99)[0])\nexcept OSError: print('nothing')"
        listener = subprocess.Popen(["ip", "netns", "exec", self.vars["home_a"], sys.executable, "-c", inside],
                                    stdout=subprocess.PIPE, text=True)
        time.sleep(0.5)
        # To the router's address, and straight to the home's own, as a neighbour on the internet could.
        self.sh("ip", "-n", self.vars["internet"], "route", "add", "192.168.1.0/24", "via", "6.0.1.2")
        for sender, to in (("home_b", "6.0.1.2"), ("home_c", "6.0.1.2"), ("internet", "6.0.1.2"),
                           ("internet", "192.168.1.2")):
            self.sh("ip", "netns", "exec", self.vars[sender], sys.executable, "-c", "import socket; socket.socket("
                    f"type=socket.SOCK_DGRAM).sendto(b'unasked', ('{to}', 27183))")
        self.sh("ip", "-n", self.vars["internet"], "route", "del", "192.168.1.0/24")
        (heard := listener.communicate()[0].strip()) == "nothing" or fail(f"the home heard {heard}")

    def mapping(self, held, port=None):  # any mapping, or the one of an outside port
        rules = lambda: self.sh("ip", "netns", "exec", self.vars["router"], "nft", "list", "ruleset")
        shown = lambda: re.search(rf"dport {port} .*dnat" if port else "dnat", rules())
        until(lambda: bool(shown()) == (held == "yes"), 5) or fail(f"the router's mapping is not {held}: {rules()}")

    def outside_taken(self, port):  # by another machine at home, as a router without secure mode lets anyone ask
        service = "urn:schemas-upnp-org:service:WANIPConnection:2"
        body = (f'<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" s:encodingStyle='
                f'"http://schemas.xmlsoap.org/soap/encoding/"><s:Body><u:AddPortMapping xmlns:u="{service}"><NewRemoteHost>'
                f'</NewRemoteHost><NewExternalPort>{port}</NewExternalPort><NewProtocol>UDP</NewProtocol><NewInternalPort>'
                f'{port}</NewInternalPort><NewInternalClient>192.168.77.9</NewInternalClient><NewEnabled>1</NewEnabled>'
                '<NewPortMappingDescription>other</NewPortMappingDescription><NewLeaseDuration>3600</NewLeaseDuration>'
                '</u:AddPortMapping></s:Body></s:Envelope>')
        self.sh("ip", "netns", "exec", self.vars["home"], sys.executable, "-c", "import sys, urllib.request; urllib.request."
                "urlopen(urllib.request.Request('http://192.168.77.1:5555/ctl/IPConn', sys.argv[1].encode(), {'SOAPAction"
                f"': '\"{service}#AddPortMapping\"', 'Content-Type': 'text/xml'}}))", body)
        self.mapping("yes", port)

    def fake(self, mode):  # a router of tests/e2e/fake_router.py in place of miniupnpd
        self.router("off")
        self.daemon = self.spawn(["ip", "netns", "exec", self.vars["router"], sys.executable,
                    f"{os.path.dirname(__file__)}/fake_router.py", mode, "192.168.77.1", f"{self.work}/fake.log"], "fake")

    def heard(self, line, times=None):  # the fake router took this request (so many times in all)
        lines = lambda: open(f"{self.work}/fake.log").read().split("\n") if os.path.exists(f"{self.work}/fake.log") else []
        until(lambda: line in lines()) or fail(f"the router never heard {line}")
        times is None or lines().count(line) == int(times) or fail(f"{line} not {times} times: {lines()}")

    def windowkill(self):  # the game killed through the window system, as xkill does
        self.x("xdotool", "search", "--name", WINDOW, "windowkill")

    def lose_screen(self):  # the game's X server ends
        self.screens.pop(self.target)
        (server := self.xservers.pop(self.target)).kill(), server.wait()


if __name__ == "__main__":
    if sys.argv[1:] == ["--list"]:
        sys.exit(print(";".join(SCENARIOS)))
    atexit.register((steps := Steps(*sys.argv[2:5])).close)
    steps.vars["desktop"] = sys.argv[5] if len(sys.argv) > 5 else ""  # the desktop game, beside a page
    steps.play((SCENARIOS | {"page": PAGE} | PAGE_ONLINE)[sys.argv[1]])
