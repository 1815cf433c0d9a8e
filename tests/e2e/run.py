#!/usr/bin/env python3
"""The end-to-end tests: the real game under virtual screens (Xvfb), driven by one table of
scenarios and checked by its own screenshots (e2e_check), its sound, its files and its exit.

    run.py --list                                     the scenarios' names, for CTest
    run.py NAME <game> <e2e_check> <source folder>    plays one; exits 0 when it holds,
                                                      77 when this machine cannot play it

A scenario is a line of steps separated by ';'. Each step is a verb, a method of Steps below,
and its arguments; "friend:" or "other:" before the verb aims it at that game instead of the
host's. {name} is first replaced by what the scenario knows: {port} and {relay} (free UDP
ports below the kernel's ephemeral range), {code} and {wrong} (the host's join code and
another), {work}, {version}, {host_shot} (the host's last screenshot). Each game plays in a
folder and on a virtual screen of its own, its sound going to a file through SDL's disk
driver, and asks no router for its port unless told to. GAME_RUNNER, when set, is a command
that runs each game (the AddressSanitizer stage preloads its library with it)."""
import array, glob, os, random, re, shlex, shutil, signal, socket, subprocess, sys, tempfile, time
from types import SimpleNamespace

WIDTH, HEIGHT = 1280, 720
SOUND_BYTES_PER_SECOND = 44100 * 4  # 16-bit stereo
WINDOW = "^marrowfen$"

# A friend reaching a host behind a home router with the command the host printed, the router
# speaking the protocols of the step before: the host's band says "open", the friend sees the
# host's title (a friend in: no computer hint) with "open", and once the host quits the router
# holds no mapping.
REACH = ("start in=home portmap --host; code; out '^tumblequay --join 5.5.5.1:27183 {code}$'; mapped; "
         "friend:start in=outside --join 5.5.5.1:27183 {code}; see word 25 joined; see word 48 open; "
         "friend:see hosting; friend:see word 48 open; press Escape; exit 0; unmapped; friend:kill KILL")

SCENARIOS = {
    # Music from the first moment; a key starts a match with its banner over the team on turn,
    # and the sound goes on; Escape returns to the title as the core draws it, a second ends
    # the game with status 0 and nothing on standard error but SDL's disk driver's own words.
    "title_and_match": "start; sound 2; press Return; see match-start; sound 2; press Escape; "
                       "see title; press Escape; exit 0; quiet",
    # Answered before any window opens: --help and --version on standard output with status 0,
    # anything else one line of usage on standard error with status 2.
    "command_line": "start noscreen --help; exit 0; out '^usage: tumblequay ' '^  --window '; "
                    "start noscreen --version; exit 0; out '\\Atumblequay {version}\\n\\Z'; usage --bogus; "
                    "usage --window=yes; usage --window --window; usage --window --fullscreen; "
                    "usage --version x; usage ''",
    # Start-up failures end the game with status 1 and one line that names the cause.
    "audio_device_missing": "start nowindow SDL_AUDIODRIVER=no_such_driver; exit 1; errlines 1; err audio",
    "loader_thread_fails": "start nowindow preload=fail_game_threads; exit 1; errlines 1; "
                           "err 'sample loader: Resource temporarily unavailable'",
    "host_port_taken": "take_port {port}; start nowindow --host --port {port}; exit 1; errlines 1; "
                       "err 'cannot host on UDP port {port}: it is in use or not allowed'",
    # Damaged samples and pictures: the title as drawn from that data, a match under every key,
    # status 0 (run again under AddressSanitizer by ./test). The loader goes through every file
    # in the first second.
    "bad_data": "damage; start; wait 1; press Return; see match-start; "
                "hold space Up Left Up Right Up Down Up w a s d Up Up; press Escape; see title; "
                "press Escape; exit 0",
    # Without a data folder the title still shows, without its picture; the player's files are
    # kept, and the screenshot takes the next number free of them and of a temporary file.
    "keep_screenshots": "write screen0.png 'an earlier screenshot'; write screen1.png.tmp \"the player's\"; "
                        "start nodata; see title; named screen2.png; holds screen0.png 'an earlier screenshot'; "
                        "holds screen1.png.tmp \"the player's\"; press Escape; exit 0",
    # A screenshot is whole or absent: in a folder the game cannot write to (as a user who is
    # not root), Print Screen writes nothing and harms nothing; writable again, the next one
    # takes the next number; killed while Print Screen is pressed again and again, it leaves
    # whole screenshots and at most unfinished temporary files.
    "screenshot_failures": "folder 555; start nobody; press Return Print; wait 1; press Print; wait 1; alive; "
                           "absent 'screen*'; folder 777; see match-start; named screen2.png; killed_printing",
    # The key 1: a match against the computer, which takes its banner away and spends its moves
    # by itself at its pace, while the person's keys spend none; then the turn comes back.
    "computer_match": "start; press 1; computer_turn; press Escape; see title; press Escape; exit 0",
    # A gamepad at SDL's edge: start starts a match and takes the banner away; the second face
    # button switches once however long held; the stick past half turns the selected player;
    # back leaves the match, then quits.
    "gamepad": "start preload=sdl_shim TQ_SHIM_PADS={work}/pads; pad button 6 1; pad button 6 0; "
               "see match-start; pad button 6 1; pad button 6 0; moves; pad button 1 1; spent 1; "
               "pad button 1 0; pad axis 0 -30000; turned; pad axis 0 0; pad button 4 1; pad button 4 0; "
               "see title; pad button 4 1; exit 0",
    # Under a window manager: --window opens six times the canvas (1280 x 720 less a tenth);
    # Alt+Enter switches to the screen's size and back, starting no match and taking no banner
    # away. On a video system without window modes, --window plays full screen and stays.
    "window_mode": "wm; start --window; geometry 768x576; see title 768x576; press alt+Return; see title; "
                   "press alt+Return; see title 768x576; press Return alt+Return; see match-start; "
                   "press Escape Escape; exit 0; start --window preload=sdl_shim TQ_SHIM_NO_WINDOW=1; "
                   "see title; press alt+Return; see title; press Escape; exit 0",
    # A match is kept as replay0.tqr when left; --replay shows its first banner cell for cell
    # (paused with Space), then the title, and records nothing. A file that is not a replay is
    # refused with one line and status 2. The samples load in the first second.
    "replay": "start noscreen --replay dat/ms0.txt; exit 2; errlines 1; start; wait 1; press space; "
              "see match-start; wait 2.5; press Down; hold Up Left Up; wait 1; press Escape; written replay0.tqr; "
              "press Escape; exit 0; start --replay replay0.tqr; replay_matches; press space; "
              "see title timeout=15; press Escape; exit 0; noerr replay; absent replay1.tqr",
    # Two games on the loopback address: a wrong code is refused and the host goes on; with the
    # right one the friend sees the host's screen; the friend's key starts the match and acts
    # only in team 1's turn; a crashed friend's match waits for it to join again.
    "online": "start --host --port {port}; code; friend:start --join 127.0.0.1:{port} {wrong}; "
              "friend:see word 39 wrong; friend:see word 32 code; alive; friend:press Escape; friend:exit 0; "
              "friend:start --join 127.0.0.1:{port} {code}; see word 25 joined; see hosting; "
              "friend:see same {host_shot}; friend:press Return; online_turns; friend:kill KILL; "
              "see word 45 waiting 64 timeout=15; friend:start --join 127.0.0.1:{port} {code}; agree; "
              "press Escape; see hosting; press Escape; exit 0",
    # Through a relay that delays every datagram 75 ms and drops 2 %, seeded: turns pass, and
    # while the host stands on a turn's banner the friend's screen comes to show the same turn.
    "online_relay": "relay; start --host --port {port}; code; friend:start --join 127.0.0.1:{relay} {code}; see word 25 joined; "
                    "friend:press Return; relay_turns",
    # The home network: with no host the friend's band says "no game" / "found"; with two
    # hosts, the friend with the code alone joins the one whose code it has.
    "reach_home": "rig bridge; friend:start in=right --join k3m9xq2tvw; friend:see word 39 'no game'; "
                  "friend:see word 32 found; friend:press Escape; friend:exit 0; other:start in=other --host; "
                  "start in=left --host; code; out '^tumblequay --join {code}$'; "
                  "friend:start in=right --join {code}; see word 25 joined; other:kill TERM; see hosting; "
                  "friend:see same {host_shot}; press Escape; exit 0",
    # A home behind a router with miniupnpd speaking both protocols, NAT-PMP alone, UPnP alone;
    # SIGTERM removes the mapping as Escape does; with no daemon the port stays closed and the
    # friend gets no answer.
    "reach_router": f"rig home; router upnp+natpmp; {REACH}; router natpmp; {REACH}; router upnp; {REACH}; "
                    "start in=home portmap --host; out 'a friend on the internet joins with:'; kill TERM; "
                    "exit 0; unmapped; router off; start in=home portmap --host; "
                    "out 'no router opened the port: for friends on the internet, forward UDP port 27183'; "
                    "see word 48 closed; code; friend:start in=outside --join 5.5.5.1 {code}; "
                    "friend:see word 39 no timeout=12; friend:see word 32 answer; press Escape; exit 0",
    # The installed launcher with a stand-in for the game, and the Debian package as players
    # get it, started from its menu entry in another folder.
    "launcher": "launcher",
    "installed_package": "package; see title; press Escape; exit 0; absent '{work}/elsewhere/*'",
}


def fail(message):
    sys.exit("FAIL: " + message)


def skip(message):
    print("SKIP: " + message)
    sys.exit(77)


def until(test, seconds=10.0):
    """What test returns, asked again every tenth of a second until it is true or the time is up."""
    end = time.monotonic() + seconds
    while not (result := test()) and time.monotonic() < end:
        time.sleep(0.1)
    return result


def free_port():
    """A UDP port that no socket holds, with the one after it: below 32768, where the kernel
    hands out no port to a socket that asked for none."""
    for port in random.sample(range(20000, 32000, 2), 100):
        try:
            with socket.socket(type=socket.SOCK_DGRAM) as a, socket.socket(type=socket.SOCK_DGRAM) as b:
                a.bind(("", port)), b.bind(("", port + 1))
            return port
        except OSError:
            pass
    fail("no free UDP port")


class Steps:
    def __init__(self, game, check, source):
        self.program, self.checker, self.source = map(os.path.abspath, (game, check, source))
        self.work = tempfile.mkdtemp(prefix="e2e.")
        self.processes, self.namespaces, self.closing = [], [], []
        self.games, self.screens, self.managed, self.target, self.said = {}, {}, set(), "host", ""
        port = free_port()
        version = re.search(r"project\(tumblequay VERSION ([0-9.]+)", open(f"{source}/CMakeLists.txt").read())
        self.vars = dict(work=self.work, port=port, relay=port + 1, version=version[1])

    def play(self, scenario):
        for step in scenario.split(";"):
            words = shlex.split(step.strip().format_map(self.vars))
            self.target, _, verb = words[0].rpartition(":")
            self.target = self.target or "host"
            getattr(self, verb)(*words[1:])

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:  # a game that hangs does not hang the test
                    process.kill()
                    process.wait()
        for closing in self.closing:
            closing()
        for namespace in self.namespaces:  # its links and bridges go with it
            subprocess.run(["ip", "netns", "delete", namespace], stderr=subprocess.DEVNULL)
        if not os.environ.get("KEEP_WORK"):
            shutil.rmtree(self.work, ignore_errors=True)

    # Machinery
    def spawn(self, command, log, **options):
        """Starts a process that ends with the test, what it says going to the log file."""
        if log:
            with open(f"{self.work}/{log}", "wb") as out:
                process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, **options)
        else:
            process = subprocess.Popen(command, **options)
        self.processes.append(process)
        return process

    def sh(self, *command, **options):
        """Runs a command to its end; fails with the end of what it said unless it succeeds."""
        result = subprocess.run(command, capture_output=True, text=True, **options)
        result.returncode == 0 or fail(f"{' '.join(command)}: {(result.stdout + result.stderr)[-600:]}")
        return result.stdout

    def screen(self, name):
        """The virtual screen of a game, started the first time."""
        if name not in self.screens:
            read, write = os.pipe()
            self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{WIDTH}x{HEIGHT}x24",
                        "-nolisten", "tcp", "-noreset"], f"{name}.xvfb.log", pass_fds=(write,))
            os.close(write)
            with os.fdopen(read) as displays:
                self.screens[name] = ":" + (displays.readline().strip() or fail("the virtual screen did not start"))
        return self.screens[name]

    def x(self, *command, who=None):
        return subprocess.run(command, env=dict(os.environ, DISPLAY=self.screen(who or self.target)),
                              capture_output=True, text=True)

    def game(self, who=None):
        return self.games.get(who or self.target) or fail(f"no game {who or self.target}")

    def text(self, stream, who=None):
        return open(f"{self.work}/{who or self.target}.{stream}", errors="replace").read()

    def check(self, kind, path, *arguments, size=(WIDTH, HEIGHT), who=None):
        """What e2e_check's check of the kind prints about the screenshot when it holds, else ''."""
        result = subprocess.run([self.checker, kind, path, str(size[0]), str(size[1]), *arguments],
                                cwd=self.game(who).folder, capture_output=True, text=True)
        self.said = result.stderr
        return result.returncode == 0 and (result.stdout or "holds")

    def shot(self, who=None):
        """Presses Print Screen and returns the new screenshot's path."""
        game = self.game(who)
        taken = lambda: set(glob.glob(f"{game.folder}/screen*.png"))
        before = taken()
        self.x("xdotool", "key", "--clearmodifiers", "Print", who=who)
        new = until(lambda: taken() - before) or fail(f"{who or self.target}: no screenshot was written")
        game.last = self.vars[f"{who or self.target}_shot"] = max(new, key=lambda p: int(re.findall(r"\d+", p)[-1]))
        return game.last

    def state(self, who=None):
        """Team on turn, moves left and whether the banner is up, as the next screenshot that shows
        a match shows them."""
        shown = until(lambda: self.check("state", self.shot(who), who=who)) or fail(f"{self.game(who).last} shows no match")
        return tuple(int(n) for n in re.findall(r"\d+", shown))

    # Games
    def start(self, *words, program=None, cwd=None, folder=None, env=None):
        """Starts the game with its arguments and waits for its window. Other words: nowindow
        (waits for none), noscreen (no screen at all), nodata (no copy of dat/), nobody (as an
        unprivileged user, when root), portmap (asks the router), in=NAMESPACE (of the rig),
        preload=LIBRARY (built beside e2e_check), NAME=VALUE (its environment)."""
        name = self.target
        folder = folder or f"{self.work}/{name}"
        os.makedirs(folder, exist_ok=True)
        env = dict(env or os.environ, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=f"{self.work}/{name}.raw",
                   TUMBLEQUAY_NO_PORT_MAP="1", DISPLAY="")
        runner, arguments, flags = shlex.split(os.environ.get("GAME_RUNNER", "")), [], set()
        for word in words:
            key, _, value = word.partition("=")
            if word in ("nowindow", "noscreen", "nodata", "nobody", "portmap"):
                flags.add(word)
            elif key == "preload":
                env["LD_PRELOAD"] = f"{os.path.dirname(self.checker)}/lib{value}.so"
            elif key == "in":
                runner = ["ip", "netns", "exec", self.vars[value]] + runner
            elif re.fullmatch("[A-Z_]+", key) and value:
                env[key] = value
            else:
                arguments.append(word)
        "portmap" in flags and env.pop("TUMBLEQUAY_NO_PORT_MAP")
        if "noscreen" in flags:
            del env["DISPLAY"]
        else:
            env["DISPLAY"] = self.screen(name)
        if "nodata" not in flags and not os.path.exists(f"{folder}/dat"):
            shutil.copytree(f"{self.source}/dat", f"{folder}/dat")
        if "nobody" in flags and os.getuid() == 0:  # root writes anywhere
            runner = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + runner
            os.chmod(self.work, 0o755)
            open(env["SDL_DISKAUDIOFILE"], "wb").close()
            os.chmod(env["SDL_DISKAUDIOFILE"], 0o666)
        with open(f"{self.work}/{name}.out", "wb") as out, open(f"{self.work}/{name}.err", "wb") as err:
            process = self.spawn(runner + [program or self.program] + arguments, None, cwd=cwd or folder,
                                 env=env, stdout=out, stderr=err)
        self.games[name] = SimpleNamespace(process=process, folder=folder, last=None, heard=0, moves=0)
        if not flags & {"nowindow", "noscreen"}:
            until(lambda: process.poll() is not None or self.x("xdotool", "search", "--name", WINDOW).returncode == 0)
            process.poll() is None or fail(f"{name}: the game ended at start: {self.text('err')}")
            self.x("xdotool", "search", "--name", WINDOW).returncode == 0 or fail(f"{name}: no window appeared")
            name in self.managed and self.x("xdotool", "search", "--name", WINDOW, "windowactivate", "--sync")

    def exit(self, status):
        game = self.game()
        try:
            game.process.wait(10)
        except subprocess.TimeoutExpired:
            fail(f"{self.target}: the game did not end")
        game.process.returncode == int(status) or fail(
            f"{self.target}: exit status {game.process.returncode}, expected {status}: {self.text('err')}")

    def alive(self):
        self.game().process.poll() is None or fail(f"{self.target} ended: {self.text('err')}")

    def kill(self, signal_name):
        self.game().process.send_signal(getattr(signal, "SIG" + signal_name))
        signal_name == "KILL" and self.game().process.wait()

    def usage(self, *arguments):
        """The arguments are refused with one line of usage on standard error and status 2."""
        self.start("noscreen", *arguments)
        self.exit(2)
        self.errlines(1)
        self.err("^usage: tumblequay ")
        self.text("out") == "" or fail(f"{arguments}: {self.text('out')}")

    # What a game showed, played, printed and wrote
    def see(self, kind, *arguments):
        """Takes screenshots until one passes e2e_check's check of the kind with the arguments,
        within ten seconds or timeout=SECONDS; WIDTHxHEIGHT is the screenshot's size."""
        size, seconds, rest = (WIDTH, HEIGHT), 10.0, []
        for word in arguments:
            if re.fullmatch(r"\d+x\d+", word):
                size = tuple(int(n) for n in word.split("x"))
            elif word.startswith("timeout="):
                seconds = float(word[8:])
            else:
                rest.append(word)
        until(lambda: self.check(kind, self.shot(), *rest, size=size), seconds) or fail(
            f"{self.game().last} does not show {kind} {' '.join(rest)}: {self.said}")

    def named(self, name):
        os.path.basename(self.game().last) == name or fail(f"the screenshot is {self.game().last}, not {name}")

    def geometry(self, size):
        shown = self.x("xdotool", "search", "--name", WINDOW, "getwindowgeometry").stdout
        f"Geometry: {size}" in shown or fail(f"the window is not {size}: {shown}")

    def sound(self, seconds):
        """In the next seconds the game plays them in whole, and not silence since the last look."""
        time.sleep(float(seconds))
        game = self.game()
        with open(f"{self.work}/{self.target}.raw", "rb") as stream:
            stream.seek(game.heard)
            played = stream.read()
        len(played) > float(seconds) * SOUND_BYTES_PER_SECOND / 2 or fail(f"the sound stopped: {len(played)} bytes")
        samples = array.array("h", played[: len(played) // 2 * 2])
        max(samples, default=0) > 0 or fail(f"silence after {game.heard // SOUND_BYTES_PER_SECOND} s")
        game.heard += len(played)

    def out(self, *patterns, stream="out"):
        for pattern in patterns:
            until(lambda: re.search(pattern, self.text(stream), re.M)) or fail(
                f"{self.target} did not say {pattern!r}: {self.text(stream)}")

    def err(self, *patterns):
        self.out(*patterns, stream="err")

    def noerr(self, pattern):
        re.search(pattern, self.text("err")) and fail(f"{self.target} said: {self.text('err')}")

    def errlines(self, count):
        self.text("err").count("\n") == int(count) or fail(f"not {count} line(s): {self.text('err')}")

    def quiet(self):
        """Standard error holds only what SDL's disk audio driver says of itself."""
        said = re.sub(r"(?m)^.*(disk i/o audio driver|Writing to file).*\n", "", self.text("err"))
        said == "" or fail(f"the game wrote to standard error: {said}")

    # Files
    def folder(self, mode):
        """The game's folder, with its data, takes the mode."""
        folder = f"{self.work}/{self.target}"
        os.path.exists(f"{folder}/dat") or shutil.copytree(f"{self.source}/dat", f"{folder}/dat")
        os.chmod(folder, int(mode, 8))

    def write(self, name, text):
        os.makedirs(f"{self.work}/{self.target}", exist_ok=True)
        open(f"{self.work}/{self.target}/{name}", "w").write(text)

    def holds(self, name, text):
        open(f"{self.game().folder}/{name}").read() == text or fail(f"{name} was changed")

    def written(self, name):
        until(lambda: os.path.exists(f"{self.game().folder}/{name}")) or fail(f"{name} was not written")

    def absent(self, pattern):
        found = glob.glob(os.path.join(f"{self.work}/{self.target}", pattern))
        found and fail(f"found {found}")

    def take_port(self, port):
        """Holds a UDP port, as another program would, to the end."""
        held = socket.socket(type=socket.SOCK_DGRAM)
        held.bind(("", int(port)))
        self.closing.append(held.close)

    def damage(self):
        """The host's data folder damaged: samples cut short, corrupt, empty, of one channel,
        longer than the 30 s kept, not Ogg, far too large, a folder, missing; pictures of garbage, of
        numbers too large and negative, one past 32 bits, and of ten million digits."""
        data, samples = f"{self.work}/host/dat", f"{self.work}/host/dat/samples"
        shutil.copytree(f"{self.source}/dat", data)
        original = lambda name: open(f"{self.source}/dat/samples/{name}", "rb").read()
        put = lambda path, data: open(path, "wb").write(data)
        put(f"{samples}/drum0.ogg", original("drum0.ogg")[:3000])  # cut in its headers
        put(f"{samples}/step.ogg", original("step.ogg")[:6000])  # cut in its sound
        for name, at in (("push.ogg", 200), ("rotate.ogg", 5000)):
            put(f"{samples}/{name}", original(name)[:at] + b"X" * 16 + original(name)[at + 16:])
        put(f"{samples}/start.ogg", b"")
        self.sh("sox", "-n", "-r", "44100", "-c", "1", f"{samples}/swap.ogg", "synth", "0.5", "sine", "300")
        self.sh("sox", "-n", "-r", "44100", "-c", "2", "-C", "-1", f"{samples}/drum1.ogg", "synth", "40",
                "sine", "200", "vol", "0.1")
        put(f"{samples}/ball.ogg", os.urandom(20000))
        shutil.copy(f"{self.source}/dat/ms0.txt", f"{samples}/drum2.ogg")
        os.truncate(f"{samples}/score.ogg", 80 << 20)  # too large to read
        os.remove(f"{samples}/end.ogg"), os.mkdir(f"{samples}/end.ogg"), os.remove(f"{samples}/drum3.ogg")
        numbers = ["-1", "-2147483648", "+2147483647", "259", "-250", "3"]
        put(f"{data}/ms0.txt", " ".join("4294967298" if k == 3000 else numbers[k % 6] for k in range(4096)).encode())
        put(f"{data}/ms1.txt", os.urandom(30000))
        put(f"{data}/ms2.txt", b"7" * 10_000_000)

    # Keys and pads
    def press(self, *keys, who=None, delay="12"):
        self.x("xdotool", "key", "--clearmodifiers", "--delay", delay, *keys, who=who)

    def hold(self, *keys):
        for key in keys:  # long enough for the game to see it held for a few steps
            self.x("xdotool", "keydown", key)
            time.sleep(0.1)
            self.x("xdotool", "keyup", key)

    def wait(self, seconds):
        time.sleep(float(seconds))

    def wm(self):
        """A window manager on the host's screen, binding no keys: switching modes needs one."""
        open(f"{self.work}/openbox.xml", "w").write(
            '<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/><mouse/></openbox_config>\n')
        self.spawn(["openbox", "--config-file", f"{self.work}/openbox.xml"], "openbox.log",
                   env=dict(os.environ, DISPLAY=self.screen("host")))
        until(lambda: "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK").stdout) or fail(
            "the window manager did not start")
        self.managed.add("host")

    def pad(self, *event):
        """One event of the pad that the preloaded stand-in reads from {work}/pads."""
        open(f"{self.work}/pads", "a").write(" ".join(event) + "\n")

    def moves(self):
        """A match under way, its banner down: its moves left are kept."""
        until(lambda: (shown := self.state()) and shown[2] == 0 and shown) or fail("no match under way")
        self.game().moves = self.state()[1]

    def spent(self, count):
        """Exactly that many of the kept moves were spent, and no more come to be."""
        kept = self.game().moves
        until(lambda: self.state()[1] != kept)
        time.sleep(0.3)
        self.state()[1] == kept - int(count) or fail(f"{self.state()[1]} moves left, not {kept - int(count)}")

    def turned(self):
        """The selected player turned: more moves spent than the switch's, or the turn passed."""
        kept = self.game().moves
        until(lambda: self.check("match-start", self.shot()) or (lambda s: s[2] == 0 and s[1] < kept - 1)(
            self.state())) or fail("the player did not turn")

    # Matches with the computer and with a friend
    def computer_turn(self):
        """The person plays team 0's turn; in the computer's, its banner goes and its moves are
        spent by themselves at its pace (one each 0.4 s), a burst of the person's keys spending
        none; then the turn comes back to team 0."""
        seen = False
        end = time.monotonic() + 40
        while time.monotonic() < end:
            team, moves, banner = self.state()
            if team == 0 and seen:
                return
            if team == 0:  # the banner goes, then every move on switches
                self.press("space"), self.press(*["Down"] * 10, delay="50")
                continue
            seen = True
            if banner:
                continue
            begun = time.monotonic()
            self.press(*["Down"] * 5)
            after = self.state()
            paced = int((time.monotonic() - begun) / 0.396) + 1
            after[0] == 0 or after[1] >= moves - paced or fail(f"the person's keys spent the computer's moves: "
                                                              f"{moves}, then {after}")
            time.sleep(1.5)
            later = self.state()
            after[0] == 0 or later[0] == 0 or later[1] < after[1] or fail(f"the computer did not move: {after}, {later}")
        fail("the turn did not go to the computer and back")

    def online_turns(self):
        """Whole turns with a friend: on each team's turn the other side's keys do nothing and
        its own side's switch spends a move; the turn goes to the friend (team 1) and back."""
        seen = False
        end = time.monotonic() + 60
        while time.monotonic() < end:
            team, moves, _ = self.state()
            if team == 0 and seen:
                return
            seen |= team == 1
            side, other = ("host", "friend")[::1 - 2 * team]
            self.press("Down", "Down", "Down", who=other, delay="50")
            time.sleep(0.3)
            self.state()[1] == moves or fail(f"the {other}'s keys acted in team {team}'s turn")
            self.press("space", who=side)
            time.sleep(0.2)
            self.press("Down", who=side)
            time.sleep(0.4)
            now = self.state(side)
            now[0] != team or now[1] < moves or fail(f"the {side}'s switch spent no move in team {team}'s turn")
            self.press(*["Down"] * 10, who=side, delay="50")
            time.sleep(0.6)
        fail("the turn did not go to the friend and back")

    def agree(self, host=None):
        """The friend's screen comes to show the turn the host's shows (now, or as given)."""
        until(lambda: self.state("friend") == (host or self.state("host")), 6) or fail(
            f"the friend shows another turn than the host: {self.game('friend').last}, {self.game('host').last}")

    def relay_turns(self):
        """Turns pass twice through the relay; whenever the host stands on a turn's banner (it
        stays until a key takes it), the friend's screen comes to show the same turn."""
        turns, last = 0, None
        for _ in range(8):
            host = until(lambda: (shown := self.state("host"))[2] == 1 and shown, 6) or self.state("host")
            self.agree(host)
            turns += last is not None and host[0] != last
            last = host[0]
            if turns >= 2:
                return
            side = ("host", "friend")[host[0]]
            self.press("space", who=side)
            time.sleep(0.3)
            self.press(*["Down"] * 10, who=side, delay="100")
            time.sleep(0.5)
        fail("the turns did not pass through the relay")

    def relay(self):
        self.spawn([sys.executable, f"{os.path.dirname(__file__)}/udp_relay.py", str(self.vars["relay"]),
                    str(self.vars["port"]), "--seed", "7"], "relay.log")

    def code(self):
        """The join code that ends the host's second line: {code}; {wrong} is another."""
        lines = until(lambda: self.text("out").count("\n") >= 2 and self.text("out").splitlines()) or fail(
            f"the host printed no code: {self.text('out')}")
        code = lines[1].split()[-1]
        len(code) == 10 or fail(f"no join code on the second line: {lines}")
        self.vars.update(code=code, wrong="1111111111" if code == "0000000000" else "0000000000")

    def killed_printing(self):
        """The game killed while Print Screen is pressed again and again: every screenN.png left
        is whole, the numbers that failed are not used again, and nothing but an unfinished
        screenN.png.tmp bears a screenshot's name."""
        game = self.game()
        presses = self.spawn(["xdotool", "key", "--delay", "20"] + ["Print"] * 200, "presses.log",
                             env=dict(os.environ, DISPLAY=self.screen("host")))
        time.sleep(2)
        game.process.kill(), game.process.wait(), presses.kill()
        taken = 0
        for name in sorted(os.listdir(game.folder)):
            if re.fullmatch(r"screen[01]\.png.*", name):
                fail(f"a failed number was used again: {name}")
            elif re.fullmatch(r"screen\d+\.png", name):
                taken += bool(self.check("png", f"{game.folder}/{name}") or fail(f"{name} is not whole"))
            elif name != "dat" and not re.fullmatch(r"screen\d+\.png\.tmp", name):
                fail(f"unexpected file {name}")
        taken >= 3 or fail(f"only {taken} screenshots before the kill")
        print(f"{taken} whole screenshots")

    def replay_matches(self):
        """The playback's first banner as the match showed it: paused (Space) at one step after
        another until the selected player's ring, which blinks every eight steps, shows as it
        did, every cell is as it was."""
        self.see("match-start")  # once the samples have loaded
        recorded = sorted(glob.glob(f"{self.game().folder}/screen*.png"))[0]
        for _ in range(8):
            self.press("space")
            if self.check("same", self.shot(), recorded):
                return
            self.press("space")
            time.sleep(0.1)
        fail(f"the replay's first banner differs from the match's: {self.said}")

    # Installing
    def launcher(self):
        """The installed launcher, with a stand-in for the game that tells where it ran and
        ends with status 3: it runs in the player's own folder, links dat there to the
        installed data (replacing a stale link or a stray file, keeping the player's own
        folder) and passes the status on; with no folder to play in it says so and fails."""
        prefix, home = f"{self.work}/prefix", f"{self.work}/home"
        self.sh("cmake", "--install", os.path.dirname(self.program), "--prefix", prefix)
        data, default = f"{prefix}/share/games/tumblequay/dat", f"{home}/.local/share/tumblequay"
        open(f"{prefix}/lib/games/tumblequay/tumblequay", "w").write(f'#!/bin/sh\npwd >"{self.work}/ran"\nexit 3\n')

        def launch(folder, **env):
            base = {k: v for k, v in os.environ.items() if k != "XDG_DATA_HOME"}
            result = subprocess.run([f"{prefix}/games/tumblequay"], cwd=self.work, env=dict(base, HOME=home, **env),
                                    capture_output=True, text=True)
            result.returncode == 3 or fail(f"status {result.returncode}, not the game's 3: {result.stderr}")
            ran = open(f"{self.work}/ran").read().strip()
            ran == folder or fail(f"the game ran in {ran}, not {folder}")
            os.path.isdir(f"{folder}/dat") and not os.path.islink(f"{folder}/dat") or os.readlink(
                f"{folder}/dat") == data or fail(f"{folder}/dat does not link to the installed data")

        for env in ({}, {"XDG_DATA_HOME": ""}, {"XDG_DATA_HOME": "relative/path"}):
            launch(default, **env)
        launch(f"{self.work}/xdg/tumblequay", XDG_DATA_HOME=f"{self.work}/xdg")
        os.remove(f"{default}/dat"), os.symlink("/nonexistent", f"{default}/dat"), launch(default)
        os.remove(f"{default}/dat"), open(f"{default}/dat", "w").close(), launch(default)
        os.remove(f"{default}/dat"), os.mkdir(f"{default}/dat"), open(f"{default}/dat/ms0.txt", "w").close()
        launch(default)
        os.path.exists(f"{default}/dat/ms0.txt") or fail("the player's own dat folder was replaced")
        base = {k: v for k, v in os.environ.items() if k not in ("HOME", "XDG_DATA_HOME")}
        result = subprocess.run([f"{prefix}/games/tumblequay"], cwd=self.work, env=base, capture_output=True, text=True)
        result.returncode == 1 and "HOME" in result.stderr or fail(f"without HOME: {result.returncode}, {result.stderr}")

    def package(self):
        """The Debian package built from this build, taken by lintian without an error, a
        warning or a missing hardening flag, installed with apt (and removed again unless it
        was there before): valid AppStream metainfo, a readable manual page, a valid menu entry
        with its icons, a launcher that passes the command line on; then the game started as
        the menu entry says from another folder, playing in the player's own."""
        root = [] if os.getuid() == 0 else ["sudo", "-n"]
        root and subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode and skip(
            "installing a package needs root or sudo without a password")
        installed = lambda: "install ok installed" in subprocess.run(
            ["dpkg-query", "-W", "-f=${Status}", "tumblequay"], capture_output=True, text=True).stdout
        apt = root + ["env", "DEBIAN_FRONTEND=noninteractive", "apt-get", "-y", "-q"]
        if not installed():
            self.closing.append(lambda: installed() and subprocess.run(apt + ["purge", "tumblequay"], capture_output=True))
        self.sh("cpack", "--config", f"{os.path.dirname(self.program)}/CPackConfig.cmake", "-B", f"{self.work}/package")
        deb = glob.glob(f"{self.work}/package/tumblequay_*.deb")[0]
        lint = self.sh("lintian", "-I", deb)
        re.search(r"^[EW]: | hardening-", lint, re.M) and fail(f"lintian: {lint}")
        self.sh(*apt, "install", "--reinstall", deb)
        files = self.sh("dpkg", "-L", "tumblequay").split()
        self.sh("appstreamcli", "validate", "--no-net", *[f for f in files if re.fullmatch(r"/usr/share/metainfo/.*\.metainfo\.xml", f)])
        manual = self.sh("man", "-P", "cat", "tumblequay", env=dict(os.environ, LC_ALL="C", MANWIDTH="80"))
        data = "/usr/share/games/tumblequay/dat"
        for topic in ("--window", "--fullscreen", "Alt+Enter", data, "EXIT STATUS", "GAMEPADS"):
            topic in manual or fail(f"the manual page does not mention {topic}")
        desktop = "/usr/share/applications/tumblequay.desktop"
        self.sh("desktop-file-validate", desktop)
        entry = open(desktop).read()
        re.search("^Name=tumblequay$", entry, re.M) or fail("the menu entry is not named tumblequay")
        for size in (16, 24, 32, 48, 64, 128, 256):
            subprocess.run([self.checker, "png", f"/usr/share/icons/hicolor/{size}x{size}/apps/tumblequay.png",
                            str(size), str(size)]).returncode == 0 or fail(f"no {size} x {size} icon")
        self.sh("/usr/games/tumblequay", "--version") == self.sh(self.program, "--version") or fail(
            "the launcher does not pass the command line on")
        home, elsewhere = f"{self.work}/home", f"{self.work}/elsewhere"
        os.makedirs(home), os.makedirs(elsewhere)
        env = {k: v for k, v in os.environ.items() if k != "XDG_DATA_HOME"}
        self.start("nodata", program=re.search("^Exec=(.*)$", entry, re.M)[1], cwd=elsewhere,
                   folder=f"{home}/.local/share/tumblequay", env=dict(env, HOME=home))
        os.readlink(f"{home}/.local/share/tumblequay/dat") == data or fail(f"dat does not link to {data}")

    # The reach of a friend: namespaces of the test's own, removed at its end
    def rig(self, shape):
        """home: a home behind a router that masquerades and drops unasked traffic, and a
        namespace outside it; the router's outside address, 5.5.5.1, lies outside the reserved
        ranges, as the UPnP daemon wants, and nothing is routed off the machine, since the
        namespaces have no link but their own. bridge: three namespaces on one bridge."""
        os.getuid() == 0 or skip("network namespaces need root")
        shutil.which("nft") or skip("nft (nftables) is not installed")
        tag = os.getpid()
        names = ("home", "router", "outside") if shape == "home" else ("left", "right", "other")
        for number, name in enumerate(names):
            self.vars[name] = f"tq{name}{tag}"
            if subprocess.run(["ip", "netns", "add", self.vars[name]], capture_output=True).returncode:
                number == 0 and skip("network namespaces cannot be made here") or fail("cannot make a namespace")
            self.namespaces.append(self.vars[name])
            self.sh("ip", "-n", self.vars[name], "link", "set", "lo", "up")
        v = dict(self.vars, t=tag)
        if shape == "bridge":
            commands = ["ip -n {left} link add tqbr{t} type bridge", "ip -n {left} link set tqbr{t} up"]
            for n, name in enumerate(names, 1):
                commands += [f"ip -n {{left}} link add tqb{n}{{t}} type veth peer name tqn{n}{{t}} netns {{{name}}}",
                             f"ip -n {{left}} link set tqb{n}{{t}} master tqbr{{t}} up",
                             f"ip -n {{{name}}} addr add 10.77.0.{n}/24 broadcast 10.77.0.255 dev tqn{n}{{t}}",
                             f"ip -n {{{name}}} link set tqn{n}{{t}} up"]
        else:
            commands = """ip link add tqh{t} netns {home} type veth peer name tqrl{t} netns {router}
                ip link add tqrw{t} netns {router} type veth peer name tqo{t} netns {outside}
                ip -n {home} addr add 192.168.77.2/24 dev tqh{t}
                ip -n {home} link set tqh{t} up
                ip -n {home} route add default via 192.168.77.1
                ip -n {router} addr add 192.168.77.1/24 dev tqrl{t}
                ip -n {router} addr add 5.5.5.1/24 dev tqrw{t}
                ip -n {router} link set tqrl{t} up
                ip -n {router} link set tqrw{t} up
                ip -n {outside} addr add 5.5.5.2/24 dev tqo{t}
                ip -n {outside} link set tqo{t} up
                ip netns exec {router} sysctl -q -w net.ipv4.ip_forward=1""".splitlines()
            # The daemon's chains, jumped to from the hooks as its nftables backend expects; what
            # comes back on a connection the home began passes, what comes unasked is dropped.
            open(f"{self.work}/router.nft", "w").write(f"""table inet filter {{
                chain forward {{ type filter hook forward priority 0; policy drop;
                    ct state established,related accept; iifname "tqrl{tag}" accept; jump miniupnpd; }}
                chain miniupnpd {{ }}
                chain prerouting {{ type nat hook prerouting priority -100; policy accept;
                    jump prerouting_miniupnpd; }}
                chain postrouting {{ type nat hook postrouting priority 100; policy accept;
                    jump postrouting_miniupnpd; oifname "tqrw{tag}" masquerade; }}
                chain prerouting_miniupnpd {{ }}
                chain postrouting_miniupnpd {{ }}
            }}\n""")
            commands.append(f"ip netns exec {{router}} nft -f {self.work}/router.nft")
        for command in commands:
            self.sh(*command.format_map(v).split())

    def router(self, mode):
        """miniupnpd in the router: "upnp+natpmp", "natpmp" or "upnp"; "off" ends it."""
        if getattr(self, "daemon", None):
            self.daemon.terminate(), self.daemon.wait()
        if mode == "off":
            return
        natpmp, upnp = ("no" if mode == "upnp" else "yes"), ("no" if mode == "natpmp" else "yes")
        open(f"{self.work}/miniupnpd.conf", "w").write(
            f"ext_ifname=tqrw{os.getpid()}\nlistening_ip=tqrl{os.getpid()}\nport=0\nenable_natpmp={natpmp}\n"
            f"enable_upnp={upnp}\nsecure_mode=yes\nsystem_uptime=no\nuuid=3a1f0c52-8d4e-4b7a-9c1e-5f2b6d7e8a90\n"
            "allow 1024-65535 192.168.77.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n")
        self.daemon = self.spawn(["ip", "netns", "exec", self.vars["router"], "miniupnpd", "-d", "-f",
                                  f"{self.work}/miniupnpd.conf", "-P", f"{self.work}/miniupnpd.pid"], "miniupnpd.log")
        listens = ":1900 " if mode == "upnp" else ":5351 "
        until(lambda: listens in self.sh("ip", "netns", "exec", self.vars["router"], "ss", "-uln")
              or self.daemon.poll() is not None)
        listens in self.sh("ip", "netns", "exec", self.vars["router"], "ss", "-uln") or fail(
            f"miniupnpd does not listen: {open(self.work + '/miniupnpd.log').read()}")

    def mappings(self):
        listed = self.sh("ip", "netns", "exec", self.vars["router"], "nft", "list", "chain", "inet", "filter",
                         "prerouting_miniupnpd")
        return [line for line in listed.splitlines() if "dnat" in line]

    def mapped(self):
        self.mappings() or fail("the router holds no mapping")

    def unmapped(self):
        until(lambda: not self.mappings(), 5) or fail(f"the router still holds {self.mappings()}")


if __name__ == "__main__":
    if sys.argv[1:] == ["--list"]:
        print(";".join(SCENARIOS))
        sys.exit(0)
    steps = Steps(*sys.argv[2:5])
    try:
        steps.play(SCENARIOS[sys.argv[1]])
    finally:
        steps.close()
