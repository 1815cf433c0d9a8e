#!/usr/bin/env python3
"""The real game under virtual screens, played by a table of scenarios and checked by its screenshots
(e2e_check), sound, files, output and exit.   run.py --list | run.py NAME GAME E2E_CHECK SOURCE
A scenario: steps (verbs, methods of Steps, with words) for the host's game or for "friend:" or
"other:"; {port}, {relay}, {code}, {wrong}, {work}, {version}, {host_shot} stand for what it knows.
Each game has its folder, screen and sound file, asks no router, and runs under $GAME_RUNNER."""
import array, glob, os, random, re, shlex, shutil, signal, socket, subprocess, sys, tempfile, time
from types import SimpleNamespace

WIDTH, HEIGHT, WINDOW = 1280, 720, "^marrowfen$"
SOUND_BYTES_PER_SECOND = 44100 * 4  # 16-bit stereo through SDL's disk driver

# From outside a home router, with the command the host printed: "open", and no mapping after.
REACH = ("start in=home portmap --host; code; out '^tumblequay --join 5.5.5.1:27183 {code}$'; mapping yes; "
         "friend:start in=outside --join 5.5.5.1:27183 {code}; see word 25 joined; see word 48 open; "
         "friend:see hosting; friend:see word 48 open; press Escape; exit 0; mapping no; friend:kill KILL")
SCENARIOS = {
    # Music from the start and on in a match; Escape, Escape: status 0, nothing said.
    "title_and_match": "start; sound 2; press Return; see match-start; sound 2; press Escape; see title; "
                       "press Escape; exit 0; noerr '^(?!.*(disk i/o audio driver|Writing to file)).'",
    # Answered with no screen: --help, --version; anything else one line of usage and status 2.
    "command_line": "start noscreen --help; exit 0; out '\\Ausage: tumblequay ' '^  --window '; "
                    "start noscreen --version; exit 0; out '\\Atumblequay {version}\\n\\Z'; usage --bogus; "
                    "usage --window=yes; usage --window --window; usage --window --fullscreen; "
                    "usage --version x; usage ''",
    # What cannot start ends the game with status 1 and one line naming the cause.
    "audio_device_missing": "start nowindow SDL_AUDIODRIVER=no_such_driver; exit 1; errlines 1; err audio",
    "loader_thread_fails": "start nowindow preload=fail_game_threads; exit 1; errlines 1; "
                           "err 'sample loader: Resource temporarily unavailable'",
    "host_port_taken": "take_port {port}; start nowindow --host --port {port}; exit 1; errlines 1; "
                       "err 'cannot host on UDP port {port}: it is in use or not allowed'",
    # Damaged data (also under AddressSanitizer), which the loader reads in the first second.
    "bad_data": "damage; start; wait 1; press Return; see match-start; "
                "hold space Up Left Up Right Up Down Up w a s d Up Up; press Escape; see title; "
                "press Escape; exit 0",
    # No data: the title without its picture; the player's files are kept, their numbers skipped.
    "keep_screenshots": "write screen0.png 'an earlier screenshot'; write screen1.png.tmp mine; start nodata; "
                        "see title; named screen2.png; holds screen0.png 'an earlier screenshot'; "
                        "holds screen1.png.tmp mine; press Escape; exit 0",
    # A screenshot is whole or absent: in a folder the game cannot write to, and when killed.
    "screenshot_failures": "folder 555; start nobody; press Return Print; wait 1; press Print; wait 1; alive; "
                           "absent 'screen*'; folder 777; see match-start; named screen2.png; killed_printing",
    "computer_match": "start; press 1; computer_turn; press Escape; see title; press Escape; exit 0",
    # Start starts and takes the banner; B switches once however long held; the stick turns; back.
    "gamepad": "start preload=sdl_shim TQ_SHIM_PADS={work}/pads; pad button 6 1; pad button 6 0; "
               "see match-start; pad button 6 1; pad button 6 0; moves; pad button 1 1; spent 1; "
               "pad button 1 0; pad axis 0 -30000; turned; pad axis 0 0; pad button 4 1; pad button 4 0; "
               "see title; pad button 4 1; exit 0",
    # --window: six times the canvas within 1280 x 720 less a tenth; Alt+Enter starts nothing, takes
    # no banner. Where SDL has no window modes, --window plays full screen and stays there.
    "window_mode": "wm; start --window; geometry 768x576; see title 768x576; press alt+Return; see title; "
                   "press alt+Return; see title 768x576; press Return alt+Return; see match-start; "
                   "press Escape Escape; exit 0; start --window preload=sdl_shim TQ_SHIM_NO_WINDOW=1; "
                   "see title; press alt+Return; see title; press Escape; exit 0",
    # A match left is kept; --replay shows it again, recording nothing. Samples load in a second.
    "replay": "start noscreen --replay dat/ms0.txt; exit 2; errlines 1; start; wait 1; press space; "
              "see match-start; wait 2.5; press Down; hold Up Left Up; wait 1; press Escape; "
              "written replay0.tqr; press Escape; exit 0; start --replay replay0.tqr; replay_matches; "
              "press space; see title timeout=15; press Escape; exit 0; noerr replay; absent replay1.tqr",
    # A wrong code refused; the friend's keys act in team 1's turn; a crashed friend, given up after
    # 10 s, takes its match up again.
    "online": "start --host --port {port}; code; friend:start --join 127.0.0.1:{port} {wrong}; "
              "friend:see word 39 wrong; friend:see word 32 code; alive; friend:press Escape; friend:exit 0; "
              "friend:start --join 127.0.0.1:{port} {code}; see word 25 joined; see hosting; "
              "friend:see same {host_shot}; friend:press Return; online_turns; friend:kill KILL; "
              "see word 45 waiting 64 timeout=15; friend:start --join 127.0.0.1:{port} {code}; agree; "
              "press Escape; see hosting; press Escape; exit 0",
    # Through a relay that delays each datagram 75 ms and drops 2 % (seeded).
    "online_relay": "relay; start --host --port {port}; code; friend:start --join 127.0.0.1:{relay} {code}; "
                    "see word 25 joined; friend:press Return; relay_turns",
    # The code alone: no host, "no game found"; of two hosts, the one whose code it is.
    "reach_home": "rig bridge; friend:start in=right --join k3m9xq2tvw; friend:see word 39 'no game'; "
                  "friend:see word 32 found; friend:press Escape; friend:exit 0; other:start in=other --host; "
                  "start in=left --host; code; out '^tumblequay --join {code}$'; "
                  "friend:start in=right --join {code}; see word 25 joined; other:kill TERM; see hosting; "
                  "friend:see same {host_shot}; press Escape; exit 0",
    # Both protocols, NAT-PMP, UPnP; SIGTERM unmaps as Escape does; no daemon: closed, "no answer".
    "reach_router": f"rig home; router upnp+natpmp; {REACH}; router natpmp; {REACH}; router upnp; {REACH}; "
                    "start in=home portmap --host; out 'a friend on the internet joins with:'; kill TERM; "
                    "exit 0; mapping no; router off; start in=home portmap --host; "
                    "out 'no router opened the port: for friends on the internet, forward UDP port 27183'; "
                    "see word 48 closed; code; friend:start in=outside --join 5.5.5.1 {code}; "
                    "friend:see word 39 no timeout=12; friend:see word 32 answer; press Escape; exit 0",
    "launcher": "launcher",
    "installed_package": "package; see title; press Escape; exit 0; absent '{work}/elsewhere/*'",
}


def fail(message):
    sys.exit("FAIL: " + message)


def skip(message):
    print("SKIP: " + message)
    sys.exit(77)


def until(test, seconds=10.0):
    """What test returns, asked every tenth of a second until it is true or the time is up."""
    end = time.monotonic() + seconds
    while not (result := test()) and time.monotonic() < end:
        time.sleep(0.1)
    return result


def free_port():
    """A UDP port no socket holds, with the next: below 32768, where the kernel gives none by chance."""
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
        self.processes, self.namespaces, self.closing, self.games, self.screens = [], [], [], {}, {}
        self.managed, self.target, self.said, self.daemon = set(), "host", "", None
        version = re.search(r"project\(tumblequay VERSION ([0-9.]+)", open(f"{source}/CMakeLists.txt").read())
        port = free_port()
        self.vars = dict(work=self.work, port=port, relay=port + 1, version=version[1])

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
        for namespace in self.namespaces:  # its links and bridges go with it
            subprocess.run(["ip", "netns", "delete", namespace], stderr=subprocess.DEVNULL)
        os.environ.get("KEEP_WORK") or shutil.rmtree(self.work, ignore_errors=True)

    # Machinery
    def spawn(self, command, log=None, **options):
        out = log and open(f"{self.work}/{log}", "ab")
        output = dict(stdout=out, stderr=subprocess.STDOUT) if log else {}
        self.processes.append(subprocess.Popen(command, **output, **options))
        out and out.close()
        return self.processes[-1]

    def sh(self, *command, **options):
        """Runs a command to its end; fails with the end of what it said unless it succeeds."""
        result = subprocess.run(command, capture_output=True, text=True, **options)
        result.returncode == 0 or fail(f"{' '.join(command)}: {(result.stdout + result.stderr)[-600:]}")
        return result.stdout

    def screen(self, name):
        if name not in self.screens:
            read, write = os.pipe()
            self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten",
                        "tcp", "-noreset"], f"{name}.xvfb.log", pass_fds=(write,))
            os.close(write)
            with os.fdopen(read) as displays:
                self.screens[name] = ":" + (displays.readline().strip() or fail("no virtual screen"))
        return self.screens[name]

    def x(self, *command, who=None):
        env = dict(os.environ, DISPLAY=self.screen(who or self.target))
        return subprocess.run(command, env=env, capture_output=True, text=True).returncode == 0

    def game(self, who=None):
        return self.games.get(who or self.target) or fail(f"no game {who or self.target}")

    def text(self, stream, who=None):
        return open(f"{self.work}/{who or self.target}.{stream}", errors="replace").read()

    def check(self, kind, path, *arguments, size=(WIDTH, HEIGHT), who=None):
        result = subprocess.run([self.checker, kind, path, str(size[0]), str(size[1]), *arguments],
                                cwd=self.game(who).folder, capture_output=True, text=True)
        self.said = result.stderr
        return result.returncode == 0 and (result.stdout or "holds")

    def shot(self, who=None):
        game = self.game(who)
        taken = lambda: set(glob.glob(f"{game.folder}/screen*.png"))
        before = taken()
        self.press("Print", who=who)
        new = until(lambda: taken() - before) or fail(f"{who or self.target}: no screenshot was written")
        number = lambda path: int(re.findall(r"\d+", path)[-1])
        game.last, game.first = max(new, key=number), game.first or min(new, key=number)
        self.vars[f"{who or self.target}_shot"] = game.last
        return game.last

    def state(self, who=None):
        """(team on turn, moves left, banner up) in the next screenshot of a match."""
        shown = until(lambda: self.check("state", self.shot(who), who=who))
        return tuple(int(n) for n in re.findall(r"\d+", shown or fail(f"{self.game(who).last}: no match")))

    # Games
    def start(self, *words, program=None, cwd=None, folder=None, env=None):
        """Starts the game with its arguments and waits for its window; also nowindow, noscreen, nodata,
        nobody (not as root), portmap (asks the router), in=NAMESPACE, preload=LIBRARY, NAME=VALUE."""
        name, folder = self.target, folder or f"{self.work}/{self.target}"
        os.makedirs(folder, exist_ok=True)
        env = dict(env or os.environ, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=f"{self.work}/{name}.raw",
                   TUMBLEQUAY_NO_PORT_MAP="1")
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
        env["DISPLAY"] = "" if "noscreen" in flags else self.screen(name)
        if "nodata" not in flags and not os.path.exists(f"{folder}/dat"):
            shutil.copytree(f"{self.source}/dat", f"{folder}/dat")
        if "nobody" in flags and os.getuid() == 0:  # root writes anywhere
            runner = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + runner
            os.chmod(self.work, 0o755)
            open(env["SDL_DISKAUDIOFILE"], "wb").close()
            os.chmod(env["SDL_DISKAUDIOFILE"], 0o666)
        with open(f"{self.work}/{name}.out", "wb") as out, open(f"{self.work}/{name}.err", "wb") as err:
            process = self.spawn(runner + [program or self.program] + arguments, cwd=cwd or folder, env=env,
                                 stdout=out, stderr=err)
        self.games[name] = SimpleNamespace(process=process, folder=folder, last=None, first=None, heard=0, moves=0)
        if not flags & {"nowindow", "noscreen"}:
            window = lambda: self.x("xdotool", "search", "--name", WINDOW)
            until(lambda: process.poll() is not None or window())
            process.poll() is None or fail(f"{name}: the game ended at start: {self.text('err')}")
            window() or fail(f"{name}: no window appeared")
            name in self.managed and self.x("xdotool", "search", "--name", WINDOW, "windowactivate", "--sync")

    def exit(self, status):
        until(lambda: self.game().process.poll() is not None) or fail(f"{self.target}: the game did not end")
        code = self.game().process.returncode
        code == int(status) or fail(f"{self.target}: exit status {code}, not {status}: {self.text('err')}")

    def alive(self):
        self.game().process.poll() is None or fail(f"{self.target} ended: {self.text('err')}")

    def kill(self, name):
        self.game().process.send_signal(getattr(signal, "SIG" + name))
        name == "KILL" and self.game().process.wait()

    def usage(self, *arguments):
        """The arguments are refused with one line of usage on standard error and status 2."""
        self.start("noscreen", *arguments)
        self.exit(2), self.errlines(1), self.err("^usage: tumblequay ")
        self.text("out") == "" or fail(f"{arguments}: {self.text('out')}")

    # What a game showed, played, printed and wrote
    def see(self, kind, *words):
        """Screenshots until one passes e2e_check's check (in 10 s, timeout=S; of WIDTHxHEIGHT)."""
        size, seconds, rest = (WIDTH, HEIGHT), 10.0, []
        for word in words:
            if re.fullmatch(r"\d+x\d+", word):
                size = tuple(map(int, word.split("x")))
            elif word.startswith("timeout="):
                seconds = float(word[8:])
            else:
                rest.append(word)
        until(lambda: self.check(kind, self.shot(), *rest, size=size), seconds) or fail(
            f"{self.game().last} does not show {kind} {' '.join(rest)}: {self.said}")

    def named(self, name):
        """The first screenshot the game wrote is named so (more may follow while a check waits)."""
        os.path.basename(self.game().first) == name or fail(f"the screenshot is {self.game().first}, not {name}")

    def geometry(self, size):
        self.x("sh", "-c", f"xdotool search --name '{WINDOW}' getwindowgeometry | grep -q 'Geometry: {size}$'") or fail(
            f"the window is not {size}")

    def sound(self, seconds):
        """The game plays the next seconds whole, and since the last look not only silence."""
        time.sleep(float(seconds))
        with open(f"{self.work}/{self.target}.raw", "rb") as stream:
            stream.seek(self.game().heard)
            played = stream.read()
        len(played) > float(seconds) * SOUND_BYTES_PER_SECOND * 0.56 or fail(f"the sound stopped: {len(played)} bytes")
        max(array.array("h", played[: len(played) // 2 * 2]), default=0) > 0 or fail("silence")
        self.game().heard += len(played)

    def out(self, *patterns, stream="out"):
        for pattern in patterns:
            until(lambda: re.search(pattern, self.text(stream), re.M)) or fail(
                f"{self.target} did not say {pattern!r}: {self.text(stream)}")

    def err(self, *patterns):
        self.out(*patterns, stream="err")

    def noerr(self, pattern):
        re.search(pattern, self.text("err"), re.M) and fail(f"{self.target} said: {self.text('err')}")

    def errlines(self, count):
        self.text("err").count("\n") == int(count) or fail(f"not {count} line(s): {self.text('err')}")

    # Files
    def folder(self, mode):
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
        held = socket.socket(type=socket.SOCK_DGRAM)
        held.bind(("", int(port)))
        self.closing.append(held.close)

    def damage(self):
        """Samples cut short, corrupt, empty, of one channel, past 30 s, not Ogg, too large, a folder,
        missing; pictures of garbage, of numbers too large, past 32 bits, of ten million digits."""
        data, samples = f"{self.work}/host/dat", f"{self.work}/host/dat/samples"
        shutil.copytree(f"{self.source}/dat", data)
        sound = lambda name: open(f"{self.source}/dat/samples/{name}", "rb").read()
        put = lambda path, data: open(path, "wb").write(data)
        put(f"{samples}/drum0.ogg", sound("drum0.ogg")[:3000])  # cut in its headers
        put(f"{samples}/step.ogg", sound("step.ogg")[:6000])  # cut in its sound
        for name, at in (("push.ogg", 200), ("rotate.ogg", 5000)):
            put(f"{samples}/{name}", sound(name)[:at] + b"X" * 16 + sound(name)[at + 16:])
        put(f"{samples}/start.ogg", b"")
        self.sh("sox", "-n", "-r", "44100", "-c", "1", f"{samples}/swap.ogg", "synth", "0.5", "sine", "300")
        self.sh("sox", "-n", "-r", "44100", "-c", "2", "-C", "-1", f"{samples}/drum1.ogg", "synth", "40", "sine",
                "200", "vol", "0.1")
        put(f"{samples}/ball.ogg", os.urandom(20000))
        shutil.copy(f"{self.source}/dat/ms0.txt", f"{samples}/drum2.ogg")
        os.truncate(f"{samples}/score.ogg", 80 << 20)
        os.remove(f"{samples}/end.ogg"), os.mkdir(f"{samples}/end.ogg"), os.remove(f"{samples}/drum3.ogg")
        numbers = ("-1", "-2147483648", "+2147483647", "259", "-250", "3")
        put(f"{data}/ms0.txt", " ".join("4294967298" if k == 3000 else numbers[k % 6] for k in range(4096)).encode())
        put(f"{data}/ms1.txt", os.urandom(30000))
        put(f"{data}/ms2.txt", b"7" * 10_000_000)

    # Keys and pads
    def press(self, *keys, who=None, delay="12"):
        self.x("xdotool", "key", "--clearmodifiers", "--delay", delay, *keys, who=who)

    def hold(self, *keys):
        for key in keys:  # long enough for the game to see it held for a few steps
            self.x("xdotool", "keydown", key), time.sleep(0.1), self.x("xdotool", "keyup", key)

    def wait(self, seconds):
        time.sleep(float(seconds))

    def wm(self):
        """Switching modes needs a window manager: one that binds no keys."""
        open(f"{self.work}/openbox.xml", "w").write(
            '<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/><mouse/></openbox_config>\n')
        self.spawn(["openbox", "--config-file", f"{self.work}/openbox.xml"], "openbox.log",
                   env=dict(os.environ, DISPLAY=self.screen("host")))
        until(lambda: self.x("sh", "-c", "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'")) or fail(
            "the window manager did not start")
        self.managed.add("host")

    def pad(self, *event):
        open(f"{self.work}/pads", "a").write(" ".join(event) + "\n")

    def moves(self):
        """A match under way, its banner down: its moves left are kept."""
        self.game().moves = (until(lambda: (shown := self.state())[2] == 0 and shown) or fail("no match under way"))[1]

    def spent(self, count):
        """That many of the kept moves were spent, and no more come to be."""
        kept = self.game().moves
        until(lambda: self.state()[1] != kept)
        time.sleep(0.3)
        self.state()[1] == kept - int(count) or fail(f"{self.game().last}: not {kept - int(count)} moves left")

    def turned(self):
        """The selected player turned: more moves spent than the switch's, or the turn passed."""
        kept = self.game().moves
        until(lambda: self.check("match-start", self.shot()) or (lambda s: s[2] == 0 and s[1] < kept - 1)(
            self.state())) or fail("the player did not turn")

    # Matches against the computer and a friend
    def computer_turn(self):
        """In the computer's turn its banner goes and its moves are spent at its pace (one each 0.4 s),
        the person's keys spending none; then the turn comes back to the person's team."""
        seen, end = False, time.monotonic() + 40
        while time.monotonic() < end:
            team, moves, banner = self.state()
            if team == 0 and seen:
                return
            if team == 0:  # the banner goes, then every move on switches
                self.press("space"), self.press(*["Down"] * 10, delay="50")
            elif not banner:
                seen, begun = True, time.monotonic()
                self.press(*["Down"] * 5)
                after = self.state()
                paced = int((time.monotonic() - begun) / 0.396) + 1
                after[0] == 0 or after[1] >= moves - paced or fail(f"the person's keys spent moves: {moves}, {after}")
                time.sleep(1.5)
                later = self.state()
                after[0] == 0 or later[0] == 0 or later[1] < after[1] or fail(f"no move of the computer's: {later}")
        fail("the turn did not go to the computer and back")

    def online_turns(self):
        """In each team's turn the other side's keys do nothing and its own switch spends a move."""
        seen, end = False, time.monotonic() + 60
        while time.monotonic() < end:
            team, moves, _ = self.state()
            if team == 0 and seen:
                return
            seen |= team == 1
            side, other = ("host", "friend") if team == 0 else ("friend", "host")
            self.press("Down", "Down", "Down", who=other, delay="50")
            time.sleep(0.3)
            self.state()[1] == moves or fail(f"the {other}'s keys acted in team {team}'s turn")
            self.press("space", who=side), time.sleep(0.2), self.press("Down", who=side), time.sleep(0.4)
            now = self.state(side)
            now[0] != team or now[1] < moves or fail(f"the {side}'s switch spent no move in team {team}'s turn")
            self.press(*["Down"] * 10, who=side, delay="50")
            time.sleep(0.6)
        fail("the turn did not go to the friend and back")

    def agree(self, host=None):
        """The friend's screen comes to show the turn the host's shows (now, or as given)."""
        until(lambda: self.state("friend") == (host or self.state("host")), 6) or fail(
            f"the screens show other turns: {self.game('friend').last}, {self.game('host').last}")

    def relay_turns(self):
        """The turn passes twice; each time the host stands on a turn's banner the friend agrees."""
        turns, last = 0, None
        for _ in range(8):
            host = until(lambda: (shown := self.state("host"))[2] == 1 and shown, 6) or self.state("host")
            self.agree(host)
            turns, last = turns + (last is not None and host[0] != last), host[0]
            if turns >= 2:
                return
            side = ("host", "friend")[host[0]]
            self.press("space", who=side), time.sleep(0.3), self.press(*["Down"] * 10, who=side, delay="100")
            time.sleep(0.5)
        fail("the turns did not pass through the relay")

    def relay(self):
        self.spawn([sys.executable, f"{os.path.dirname(__file__)}/udp_relay.py", str(self.vars["relay"]),
                    str(self.vars["port"]), "--seed", "7"], "relay.log")

    def code(self):
        """The join code that ends the host's second line: {code}; {wrong} is another."""
        lines = until(lambda: self.text("out").count("\n") >= 2 and self.text("out").splitlines())
        code = (lines or fail(f"no code: {self.text('out')}"))[1].split()[-1]
        len(code) == 10 or fail(f"no join code on the second line: {lines}")
        self.vars.update(code=code, wrong="1111111111" if code == "0000000000" else "0000000000")

    def killed_printing(self):
        """Killed amid Print Screens, the game leaves whole screenshots and unfinished .tmp files."""
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
        """The first banner as the match showed it, paused (Space) until the blinking ring agrees."""
        self.see("match-start")  # once the samples have loaded
        recorded = sorted(glob.glob(f"{self.game().folder}/screen*.png"))[0]
        for _ in range(8):
            self.press("space")
            if self.check("same", self.shot(), recorded):
                return
            self.press("space"), time.sleep(0.1)
        fail(f"the replay's first banner differs from the match's: {self.said}")

    # Installing
    def launcher(self):
        """The installed launcher runs the game (a stand-in ending with 3) in the player's folder, with
        dat linked to the data but for the player's own, and passes the status on; no HOME fails."""
        prefix, home = f"{self.work}/prefix", f"{self.work}/home"
        self.sh("cmake", "--install", os.path.dirname(self.program), "--prefix", prefix)
        data, default = f"{prefix}/share/games/tumblequay/dat", f"{home}/.local/share/tumblequay"
        open(f"{prefix}/lib/games/tumblequay/tumblequay", "w").write(f'#!/bin/sh\npwd >"{self.work}/ran"\nexit 3\n')
        base = {k: v for k, v in os.environ.items() if k not in ("HOME", "XDG_DATA_HOME")}
        run = lambda env: subprocess.run([f"{prefix}/games/tumblequay"], cwd=self.work, env=base | env,
                                         capture_output=True, text=True)

        def launch(folder=default, linked=True, **env):
            result = run(dict(HOME=home, **env))
            result.returncode == 3 or fail(f"status {result.returncode}, not the game's 3: {result.stderr}")
            ran = open(f"{self.work}/ran").read().strip()
            ran == folder or fail(f"the game ran in {ran}, not {folder}")
            linked and not (os.path.islink(f"{folder}/dat") and os.readlink(f"{folder}/dat") == data) and fail(
                f"{folder}/dat does not link to the installed data")

        for env in ({}, {"XDG_DATA_HOME": ""}, {"XDG_DATA_HOME": "relative/path"}):
            launch(**env)
        launch(f"{self.work}/xdg/tumblequay", XDG_DATA_HOME=f"{self.work}/xdg")
        os.remove(f"{default}/dat"), os.symlink("/nonexistent", f"{default}/dat"), launch()  # an older install's
        os.remove(f"{default}/dat"), open(f"{default}/dat", "w").close(), launch()  # a stray file
        os.remove(f"{default}/dat"), os.mkdir(f"{default}/dat"), open(f"{default}/dat/ms0.txt", "w").close()
        launch(linked=False)
        os.path.isfile(f"{default}/dat/ms0.txt") or fail("the player's own dat folder was replaced")
        result = run({})
        result.returncode == 1 and "HOME" in result.stderr or fail(f"without HOME: {result.returncode}, {result.stderr}")

    def package(self):
        """The Debian package passes lintian; installed (and removed unless it was there) its metainfo,
        manual, menu entry and icons are sound; the game starts from the menu entry elsewhere."""
        root = [] if os.getuid() == 0 else ["sudo", "-n"]
        root and subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode and skip(
            "installing a package needs root or sudo without a password")
        installed = lambda: "install ok installed" in subprocess.run(
            ["dpkg-query", "-W", "-f=${Status}", "tumblequay"], capture_output=True, text=True).stdout
        apt = root + ["env", "DEBIAN_FRONTEND=noninteractive", "apt-get", "-y", "-q"]
        installed() or self.closing.append(lambda: installed() and subprocess.run(apt + ["purge", "tumblequay"]))
        self.sh("cpack", "--config", f"{os.path.dirname(self.program)}/CPackConfig.cmake", "-B", f"{self.work}/deb")
        deb = glob.glob(f"{self.work}/deb/tumblequay_*.deb")[0]
        lint = self.sh("lintian", "-I", deb)
        re.search(r"^[EW]: | hardening-", lint, re.M) and fail(f"lintian: {lint}")
        self.sh(*apt, "install", "--reinstall", deb)
        metainfo = [f for f in self.sh("dpkg", "-L", "tumblequay").split() if f.endswith(".metainfo.xml")]
        self.sh("appstreamcli", "validate", "--no-net", *metainfo)
        manual = self.sh("man", "-P", "cat", "tumblequay", env=dict(os.environ, LC_ALL="C", MANWIDTH="80"))
        data = "/usr/share/games/tumblequay/dat"
        for topic in ("--window", "--fullscreen", "Alt+Enter", data, "EXIT STATUS", "GAMEPADS"):
            topic in manual or fail(f"the manual page does not mention {topic}")
        entry = "/usr/share/applications/tumblequay.desktop"
        self.sh("desktop-file-validate", entry)
        entry = open(entry).read()
        re.search("^Name=tumblequay$", entry, re.M) or fail("the menu entry is not named tumblequay")
        for size in (16, 24, 32, 48, 64, 128, 256):
            self.sh(self.checker, "png", f"/usr/share/icons/hicolor/{size}x{size}/apps/tumblequay.png", *[str(size)] * 2)
        self.sh("/usr/games/tumblequay", "--version") == self.sh(self.program, "--version") or fail(
            "the launcher does not pass the command line on")
        home = f"{self.work}/home"
        os.makedirs(f"{self.work}/elsewhere")
        env = {k: v for k, v in os.environ.items() if k != "XDG_DATA_HOME"} | {"HOME": home}
        self.start("nodata", program=re.search("^Exec=(.*)$", entry, re.M)[1], cwd=f"{self.work}/elsewhere",
                   folder=f"{home}/.local/share/tumblequay", env=env)
        os.readlink(f"{home}/.local/share/tumblequay/dat") == data or fail(f"dat does not link to {data}")

    # Reaching a friend, in network namespaces the test makes and removes
    def rig(self, shape):
        """home: a home behind a router (5.5.5.1 outside, unreserved as miniupnpd wants) that drops unasked
        traffic, and outside; bridge: three on one bridge. The namespaces link only to each other."""
        os.getuid() == 0 or skip("network namespaces need root")
        shutil.which("nft") or skip("nft (nftables) is not installed")
        names = ("home", "router", "outside") if shape == "home" else ("left", "right", "other")
        for name in names:
            self.vars[name] = f"tq{name}{os.getpid()}"
            if subprocess.run(["ip", "netns", "add", self.vars[name]], capture_output=True).returncode:
                self.namespaces or skip("network namespaces cannot be made here")
                fail(f"cannot make the namespace {self.vars[name]}")
            self.namespaces.append(self.vars[name])
            self.sh("ip", "-n", self.vars[name], "link", "set", "lo", "up")
        if shape == "bridge":
            commands = ["ip -n {left} link add tqbr{t} type bridge", "ip -n {left} link set tqbr{t} up"]
            for n, name in enumerate(names, 1):
                commands += [f"ip -n {{left}} link add tqb{n}{{t}} type veth peer name tqn{n}{{t}} netns {{{name}}}",
                             f"ip -n {{left}} link set tqb{n}{{t}} master tqbr{{t}} up",
                             f"ip -n {{{name}}} addr add 10.77.0.{n}/24 broadcast 10.77.0.255 dev tqn{n}{{t}}",
                             f"ip -n {{{name}}} link set tqn{n}{{t}} up"]
        else:
            # miniupnpd's chains, jumped to from the hooks; what comes unasked is dropped.
            open(f"{self.work}/router.nft", "w").write("""table inet filter {
                chain forward { type filter hook forward priority 0; policy drop;
                    ct state established,related accept; iifname "tqrl%s" accept; jump miniupnpd; }
                chain prerouting { type nat hook prerouting priority -100; jump prerouting_miniupnpd; }
                chain postrouting { type nat hook postrouting priority 100; jump postrouting_miniupnpd;
                    oifname "tqrw%s" masquerade; }
                chain miniupnpd { }; chain prerouting_miniupnpd { }; chain postrouting_miniupnpd { }
            }\n""" % (os.getpid(), os.getpid()))
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
                ip netns exec {router} sysctl -q -w net.ipv4.ip_forward=1
                ip netns exec {router} nft -f {work}/router.nft""".splitlines()
        for command in commands:
            self.sh(*command.format_map(dict(self.vars, t=os.getpid())).split())

    def router(self, mode):
        """miniupnpd in the router speaking "upnp+natpmp", "natpmp" or "upnp"; "off" ends it."""
        if self.daemon:
            self.daemon.terminate(), self.daemon.wait()
        if mode == "off":
            return
        open(f"{self.work}/miniupnpd.conf", "w").write(
            f"ext_ifname=tqrw{os.getpid()}\nlistening_ip=tqrl{os.getpid()}\nport=0\nsecure_mode=yes\n"
            f"enable_natpmp={'no' if mode == 'upnp' else 'yes'}\nenable_upnp={'no' if mode == 'natpmp' else 'yes'}\n"
            "system_uptime=no\nuuid=3a1f0c52-8d4e-4b7a-9c1e-5f2b6d7e8a90\n"
            "allow 1024-65535 192.168.77.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n")
        self.daemon = self.spawn(["ip", "netns", "exec", self.vars["router"], "miniupnpd", "-d", "-f",
                                  f"{self.work}/miniupnpd.conf", "-P", f"{self.work}/miniupnpd.pid"], "miniupnpd.log")
        listens = lambda: (":1900 " if mode == "upnp" else ":5351 ") in self.sh(
            "ip", "netns", "exec", self.vars["router"], "ss", "-uln")
        until(lambda: self.daemon.poll() is not None or listens())
        listens() or fail(f"miniupnpd does not listen: {open(self.work + '/miniupnpd.log').read()}")

    def mappings(self):
        return "dnat" in self.sh("ip", "netns", "exec", self.vars["router"], "nft", "list", "chain", "inet",
                                 "filter", "prerouting_miniupnpd")

    def mapping(self, held):
        until(lambda: self.mappings() == (held == "yes"), 5) or fail(f"the router's mapping is not {held}")


if __name__ == "__main__":
    if sys.argv[1:] == ["--list"]:
        sys.exit(print(";".join(SCENARIOS)))
    steps = Steps(*sys.argv[2:5])
    try:
        steps.play(SCENARIOS[sys.argv[1]])
    finally:
        steps.close()
