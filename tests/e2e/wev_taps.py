"""Taps sent to the real app and read back at a focused wev window: what every desktop's end-to-end test shares.
A test starts its session, then Wev(...), start_app(...), send_taps(...), and judges wev's events with tap_problems
(and a bench with tap_figures); Processes ends everything it started.
"""

import collections
import os
import re
import signal
import statistics
import subprocess
import threading
import time
import urllib.request

# arrival: time.monotonic() when wev printed the key; time_ms: the compositor's own timestamp of the event.
KeyEvent = collections.namedtuple("KeyEvent", "arrival time_ms sym pressed")
# when: time.monotonic() just before the request left; command: "next" or "prev".
Tap = collections.namedtuple("Tap", "when command")

SYM_OF_COMMAND = {"next": "Right", "prev": "Left"}
LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))
_KEY_LINE = re.compile(r"wl_keyboard\] key: .*time: (\d+); key: \d+; state: \d+ \((pressed|released)\)")
_SYM_LINE = re.compile(r"^\s*sym: (\S+)")


def wait_for(what, probe, timeout=20.0, interval=0.1):
    """probe()'s first true value; AssertionError naming `what` after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Processes:
    """The processes a test starts, each writing to its own log in `workdir` (never to the test's own pipes, which
    ctest waits on), all ended by stop()."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.started = []

    def start(self, name, argv, env, **popen):
        log = open(os.path.join(self.workdir, name + ".log"), "w")
        popen.setdefault("stdout", log)
        popen.setdefault("stderr", subprocess.STDOUT)
        process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, start_new_session=True, **popen)
        log.close()
        self.started.append(process)
        return process

    def log(self, name):
        with open(os.path.join(self.workdir, name + ".log"), errors="replace") as log:
            return log.read()

    def stop(self):
        """Ends every started process and whatever it started in its process group, newest first."""
        for process in reversed(self.started):
            self._signal(process, signal.SIGTERM)
        deadline = time.monotonic() + 5
        for process in reversed(self.started):
            try:
                process.wait(timeout=max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                self._signal(process, signal.SIGKILL)
                process.wait()
        self.started.clear()

    @staticmethod
    def _signal(process, number):
        try:
            os.killpg(process.pid, number)
        except ProcessLookupError:
            pass


class Wev:
    """A wev window (`stdbuf -oL wev`, so each line comes as it is printed) whose output is read on a thread.
    prefix: what runs it (e.g. ["runuser", "-u", USER, "--"]); env: its environment, with WAYLAND_DISPLAY."""

    def __init__(self, processes, env, prefix=()):
        self.lines = []
        self.events = []
        self._changed = threading.Condition()
        self.process = processes.start("wev", [*prefix, "stdbuf", "-oL", "wev"], env, stdout=subprocess.PIPE,
                                        text=True, errors="replace")
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        pending = None
        for line in self.process.stdout:
            arrival = time.monotonic()
            with self._changed:
                self.lines.append(line)
                key = _KEY_LINE.search(line)
                sym = _SYM_LINE.match(line)
                if key:
                    pending = (arrival, int(key.group(1)), key.group(2) == "pressed")
                elif sym and pending:
                    self.events.append(KeyEvent(pending[0], pending[1], sym.group(1), pending[2]))
                    pending = None
                self._changed.notify_all()

    def wait_line(self, pattern, timeout=20.0):
        """The first line of wev's output matching the regular expression; AssertionError after `timeout` s."""
        regex = re.compile(pattern)
        with self._changed:
            found = self._changed.wait_for(lambda: next((l for l in self.lines if regex.search(l)), None), timeout)
        if not found:
            raise AssertionError("wev printed no line matching %r within %.0f s; it printed:\n%s"
                                 % (pattern, timeout, "".join(self.lines[-20:])))
        return found

    def wait_keyboard_focus(self, timeout=20.0):
        """Waits until the compositor gives wev's window the keyboard focus."""
        self.wait_line(r"wl_keyboard\] enter:", timeout)

    def mark(self):
        """The position of the next key event, for wait_events(since=...)."""
        with self._changed:
            return len(self.events)

    def wait_events(self, count, since=0, timeout=10.0, settle=0.5):
        """The key events after `since` once `count` have come (and `settle` s more passed, so that an extra one is
        seen), or what came within `timeout` s."""
        with self._changed:
            self._changed.wait_for(lambda: len(self.events) - since >= count, timeout)
        time.sleep(settle)
        with self._changed:
            return list(self.events[since:])


def write_app_port(config_home, port):
    """Makes the app serve HTTP on `port` (its settings under XDG_CONFIG_HOME)."""
    folder = os.path.join(config_home, "Quorvelantis")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "QuorvelantisRemote.conf"), "w") as settings:
        settings.write("[General]\nmacRemotePort=%d\n" % port)


def get(port, path, timeout=5.0):
    """The body of GET http://127.0.0.1:<port><path>, as text."""
    with LOCAL.open("http://127.0.0.1:%d%s" % (port, path), timeout=timeout) as answer:
        return answer.read().decode()


def start_app(processes, binary, env, port, prefix=()):
    """The real app, hidden (its window takes no focus from wev), serving HTTP on `port` (env's XDG_CONFIG_HOME must
    be a folder of the test's own). Returns once it answers /ping."""
    write_app_port(env["XDG_CONFIG_HOME"], port)
    app = processes.start("app", [*prefix, binary, "--hidden"], env)

    def serving():
        if app.poll() is not None:
            raise AssertionError("the app exited with %d:\n%s" % (app.returncode, processes.log("app")[-2000:]))
        try:
            return get(port, "/ping", timeout=1) == "pong"
        except OSError:
            return False

    wait_for("the app to answer /ping on port %d" % port, serving)
    return app


def send_taps(port, count, gap=0.03, first="next"):
    """`count` taps over HTTP alternating next and prev (from `first`), one every `gap` seconds; each answer must be
    ok. Returns the taps as sent."""
    commands = ("next", "prev") if first == "next" else ("prev", "next")
    taps = []
    start = time.monotonic()
    for i in range(count):
        delay = start + i * gap - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        command = commands[i % 2]
        taps.append(Tap(time.monotonic(), command))
        answer = get(port, "/" + command)
        if answer != "ok":
            raise AssertionError("tap %d (/%s) was answered %r" % (i, command, answer))
    return taps


def _pairs(events):
    return [events[i:i + 2] for i in range(0, len(events), 2)]


def presses_in_order(events, taps):
    """How many taps show at their place as their own key pressed then released."""
    in_order = 0
    for tap, pair in zip(taps, _pairs(events)):
        sym = SYM_OF_COMMAND[tap.command]
        if len(pair) == 2 and (pair[0].sym, pair[0].pressed, pair[1].sym, pair[1].pressed) == (sym, True, sym, False):
            in_order += 1
    return in_order


def tap_problems(events, taps, max_hold_ms=300):
    """What is wrong with the key events `taps` gave (empty when nothing): exactly one press then one release of each
    tap's key, in the taps' order, none held longer than `max_hold_ms` by the compositor's clock."""
    problems = []
    presses = sum(1 for event in events if event.pressed)
    releases = len(events) - presses
    if presses != len(taps) or releases != len(taps):
        problems.append("%d taps gave %d presses and %d releases" % (len(taps), presses, releases))
    in_order = presses_in_order(events, taps)
    if in_order != len(taps):
        shown = " ".join("%s%s" % (e.sym, "v" if e.pressed else "^") for e in events[:2 * len(taps)])
        problems.append("%d of %d taps gave their press then their release at their place: %s"
                        % (in_order, len(taps), shown))
    held = {}
    for event in events:
        if event.pressed:
            held[event.sym] = event.time_ms
        elif event.sym in held:
            duration = event.time_ms - held.pop(event.sym)
            if duration > max_hold_ms:
                problems.append("%s was held %d ms" % (event.sym, duration))
    problems += ["%s was never released" % sym for sym in held]
    return problems


def tap_figures(events, taps):
    """Tap to key press (p50, p99, in ms, from the request leaving to wev printing the press) and presses in order."""
    presses = [event for event in events if event.pressed]
    delays = sorted((press.arrival - tap.when) * 1000 for tap, press in zip(taps, presses))
    return {
        "taps": len(taps),
        "presses": len(presses),
        "in_order": presses_in_order(events, taps),
        "p50_ms": statistics.median(delays) if delays else None,
        "p99_ms": delays[min(len(delays) - 1, int(len(delays) * 0.99))] if delays else None,
    }


class SessionUnavailable(Exception):
    """The desktop did not come up here; its test fails with this reason."""


def session_env(workdir, desktop, wayland_socket):
    """What the clients of a desktop session need: HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR of its own in `workdir`,
    the session bus there, `wayland_socket`, XDG_CURRENT_DESKTOP=`desktop`, no X display."""
    folders = {name: os.path.join(workdir, name.lower()) for name in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR")}
    for folder in folders.values():
        os.makedirs(folder, mode=0o700)
    env = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_SOCKET")}
    env.update(folders, XDG_CURRENT_DESKTOP=desktop, XDG_SESSION_TYPE="wayland", WAYLAND_DISPLAY=wayland_socket,
               QT_QPA_PLATFORM="wayland", QT_QUICK_BACKEND="software", LC_ALL="C.UTF-8",
               DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(folders["XDG_RUNTIME_DIR"], "bus"))
    return env


def expect_up(processes, process, log, what, probe, timeout=20.0):
    """Waits for probe() while `process` runs; SessionUnavailable with its log `log` when it exits or time runs out."""
    def up():
        if process.poll() is not None:
            raise SessionUnavailable("%s exited with %d before %s came up:\n%s"
                                     % (log, process.returncode, what, processes.log(log)[-3000:]))
        return probe()
    try:
        wait_for(what, up, timeout)
    except AssertionError as error:
        raise SessionUnavailable("%s:\n%s" % (error, processes.log(log)[-3000:]))
