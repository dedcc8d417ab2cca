"""Taps sent to the real app and read back at a focused wev window: what every desktop's end-to-end test shares.
A test starts its session, then Wev(...), start_app(...), send_taps(...), and judges wev's events with tap_problems
(and a bench with tap_figures); Processes ends everything it started.
"""

import collections
import os
import re
import statistics
import subprocess
import sys
import threading
import time
import urllib.request

# Starting a desktop session is scripts/headless_desktop.py's, a developer's tool of its own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from headless_desktop import Processes, SessionUnavailable, expect_up, session_env, wait_for  # noqa: E402,F401

# arrival: time.monotonic() when wev printed the key; time_ms: the compositor's own timestamp of the event.
KeyEvent = collections.namedtuple("KeyEvent", "arrival time_ms sym pressed")
# when: time.monotonic() just before the request left; command: "next" or "prev".
Tap = collections.namedtuple("Tap", "when command")

SYM_OF_COMMAND = {"next": "Right", "prev": "Left"}
LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))
_KEY_LINE = re.compile(r"wl_keyboard\] key: .*time: (\d+); key: \d+; state: \d+ \((pressed|released)\)")
_SYM_LINE = re.compile(r"^\s*sym: (\S+)")


class Wev:
    """A wev window (`stdbuf -oL wev`: a line as soon as printed) whose output a thread reads into lines and events.
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
                key, sym = _KEY_LINE.search(line), _SYM_LINE.match(line)
                if key:
                    pending = (arrival, int(key.group(1)), key.group(2) == "pressed")
                elif sym and pending:
                    self.events.append(KeyEvent(pending[0], pending[1], sym.group(1), pending[2]))
                    pending = None
                self._changed.notify_all()

    def wait_keyboard_focus(self, timeout=20.0):
        """Waits until the compositor gives wev's window the keyboard focus."""
        with self._changed:
            if not self._changed.wait_for(lambda: any("wl_keyboard] enter:" in l for l in self.lines), timeout):
                raise AssertionError("wev got no keyboard focus within %.0f s; it printed:\n%s"
                                     % (timeout, "".join(self.lines[-20:])))

    def mark(self):
        """The position of the next key event, for wait_events(since=...)."""
        with self._changed:
            return len(self.events)

    def wait_events(self, count, since=0, timeout=10.0, settle=0.5):
        """The key events after `since` once `count` have come and `settle` s more passed (so that an extra one is
        seen), or what came within `timeout` s."""
        with self._changed:
            self._changed.wait_for(lambda: len(self.events) - since >= count, timeout)
        time.sleep(settle)
        with self._changed:
            return list(self.events[since:])


def start_xvfb(processes, name="Xvfb"):
    """A private X server of 1024×768 on a free display, whose name is returned (":N")."""
    read_end, write_end = os.pipe()
    processes.start(name, ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                    os.environ, pass_fds=(write_end,))
    os.close(write_end)
    with os.fdopen(read_end) as number:
        return ":" + number.readline().strip()


def get(port, path, timeout=5.0):
    """The body of GET http://127.0.0.1:<port><path>, as text."""
    with LOCAL.open("http://127.0.0.1:%d%s" % (port, path), timeout=timeout) as answer:
        return answer.read().decode()


def start_app(processes, binary, env, port, prefix=()):
    """The real app, hidden (its window takes no focus from wev), serving HTTP on `port` (written to its settings under
    env's XDG_CONFIG_HOME, a folder of the test's own). Returns once it answers /ping."""
    folder = os.path.join(env["XDG_CONFIG_HOME"], "Quorvelantis")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "QuorvelantisRemote.conf"), "w") as settings:
        settings.write("[General]\nmacRemotePort=%d\n" % port)
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


def send_taps(port, count, gap=0.03):
    """`count` taps over HTTP, one every `gap` s, alternating next and prev; each must be answered ok. Returns them."""
    taps = []
    start = time.monotonic()
    for i in range(count):
        time.sleep(max(0.0, start + i * gap - time.monotonic()))
        taps.append(Tap(time.monotonic(), ("next", "prev")[i % 2]))
        answer = get(port, "/" + taps[-1].command)
        if answer != "ok":
            raise AssertionError("tap %d (/%s) was answered %r" % (i, taps[-1].command, answer))
    return taps


def presses_in_order(events, taps):
    """How many taps show at their place as their own key pressed then released."""
    pairs = [[(e.sym, e.pressed) for e in events[i:i + 2]] for i in range(0, len(events), 2)]
    return sum(pair == [(SYM_OF_COMMAND[tap.command], True), (SYM_OF_COMMAND[tap.command], False)]
               for tap, pair in zip(taps, pairs))


def tap_problems(events, taps, max_hold_ms=300):
    """What is wrong with the key events `taps` gave (empty when nothing): exactly one press then one release of each
    tap's key, in the taps' order, none held longer than `max_hold_ms` by the compositor's clock."""
    problems = []
    presses = sum(event.pressed for event in events)
    if presses != len(taps) or len(events) - presses != len(taps):
        problems.append("%d taps gave %d presses and %d releases" % (len(taps), presses, len(events) - presses))
    in_order = presses_in_order(events, taps)
    if in_order != len(taps):
        shown = " ".join("%s%s" % (e.sym, "v" if e.pressed else "^") for e in events[:2 * len(taps)])
        problems.append("%d of %d taps gave their press then their release at their place: %s"
                        % (in_order, len(taps), shown))
    held = {}
    for event in events:
        if event.pressed:
            held[event.sym] = event.time_ms
        elif event.sym in held and event.time_ms - held[event.sym] > max_hold_ms:
            problems.append("%s was held %d ms" % (event.sym, event.time_ms - held.pop(event.sym)))
        else:
            held.pop(event.sym, None)
    return problems + ["%s was never released" % sym for sym in held]


def tap_figures(events, taps):
    """Tap to key press (p50, p99, in ms, from the request leaving to wev printing the press) and presses in order."""
    delays = sorted((press.arrival - tap.when) * 1000 for tap, press in zip(taps, (e for e in events if e.pressed)))
    return {"taps": len(taps), "presses": sum(e.pressed for e in events), "in_order": presses_in_order(events, taps),
            "p50_ms": statistics.median(delays) if delays else None,
            "p99_ms": delays[min(len(delays) - 1, int(len(delays) * 0.99))] if delays else None}
