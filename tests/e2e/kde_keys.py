#!/usr/bin/python3
"""The real app's keys in a real headless KDE Plasma session (kwin_wayland, xdg-desktop-portal-kde), read back at a
focused wev window.

Usage: unshare --net --mount --pid --fork --kill-child --mount-proc kde_keys.py APP_BINARY
The private namespaces give the test its own loopback (the app's ports are free), and end every process the session
started (D-Bus activated services included) when the test ends.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import wev_taps
from wev_taps import SessionUnavailable

WAYLAND_SOCKET = "wayland-kde-test"
PORT = 4777


def start_kde_session(processes, workdir):
    """A headless Plasma session on a private session bus: kwin_wayland, then the portal and its KDE backend.
    Returns the environment its clients need; SessionUnavailable when a part does not come up."""
    if subprocess.run(["ip", "link", "set", "lo", "up"]).returncode != 0:
        raise SessionUnavailable("cannot bring up the private loopback (run under unshare --net)")
    env = wev_taps.session_env(workdir, "KDE", WAYLAND_SOCKET)
    bus = processes.start("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--address=" + env["DBUS_SESSION_BUS_ADDRESS"]], env)
    socket = env["DBUS_SESSION_BUS_ADDRESS"].split("=", 1)[1]
    wev_taps.expect_up(processes, bus, "dbus", "the session bus", lambda: os.path.exists(socket))

    # The packaged binary carries a file capability that a container may refuse to honour; a copy carries none.
    kwin_copy = os.path.join(workdir, "kwin_wayland")
    kwin_binary = shutil.which("kwin_wayland")
    if not kwin_binary:
        raise SessionUnavailable("kwin_wayland is not installed (scripts/install-deps installs kwin-wayland)")
    shutil.copy(kwin_binary, kwin_copy)
    kwin = processes.start("kwin", [kwin_copy, "--virtual", "--width", "1280", "--height", "720", "--socket",
                                    WAYLAND_SOCKET, "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"],
                           env)
    wev_taps.expect_up(processes, kwin, "kwin", "kwin_wayland's socket and its D-Bus name",
                       lambda: os.path.exists(os.path.join(env["XDG_RUNTIME_DIR"], WAYLAND_SOCKET))
                       and _on_bus(env, "org.kde.KWin"), timeout=60)

    for name, binary, bus_name in (
            ("portal-kde", "/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde", "org.freedesktop.impl.portal.desktop.kde"),
            ("portal", "/usr/libexec/xdg-desktop-portal", "org.freedesktop.portal.Desktop")):
        if not os.path.exists(binary):
            raise SessionUnavailable(binary + " is not installed")
        process = processes.start(name, [binary, "-r"] if name == "portal" else [binary], env)
        wev_taps.expect_up(processes, process, name, bus_name, lambda: _on_bus(env, bus_name), timeout=30)
    return env


def _on_bus(env, name):
    return subprocess.run(["busctl", "--user", "status", name], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def key_target_problem(what, probe):
    """Empty when /keytarget comes to satisfy probe within 10 s, else what it answers."""
    try:
        wev_taps.wait_for(what, lambda: probe(json.loads(wev_taps.get(PORT, "/keytarget"))), timeout=10)
        return []
    except AssertionError as error:
        return ["%s; it answers %s" % (error, wev_taps.get(PORT, "/keytarget"))]


def check(app_binary, workdir):
    """The failures seen, as sentences; empty when everything holds."""
    failures = []
    processes = wev_taps.Processes(workdir)
    try:
        env = start_kde_session(processes, workdir)
        wev = wev_taps.Wev(processes, env)
        wev.wait_keyboard_focus()
        app = wev_taps.start_app(processes, app_binary, env, PORT)

        # Straight after the start, as a presenter's first tap: it must not be spent on asking for access.
        first = wev_taps.send_taps(PORT, 1)
        failures += ["first tap after the start: " + problem
                     for problem in wev_taps.tap_problems(wev.wait_events(2, timeout=15), first)]

        failures += key_target_problem("/keytarget to name wev", lambda target: target["program"] == "wev")

        # Any client of the session bus can call the app's report method: only KWin may move the answer.
        subprocess.run(["busctl", "--user", "call", "org.quorvelantis.Remote", "/org/quorvelantis/Remote/FocusedWindow",
                        "org.quorvelantis.Remote.FocusedWindow", "Activated", "si", "spoofed", "1"], env=env)
        time.sleep(0.5)
        failures += key_target_problem("/keytarget to stay on wev after a report from another client than KWin",
                                       lambda target: target["program"] == "wev")

        mark = wev.mark()
        kwin_log_start = len(processes.log("kwin"))
        taps = wev_taps.send_taps(PORT, 100, gap=0.03)
        failures += ["100 alternated taps: " + problem
                     for problem in wev_taps.tap_problems(wev.wait_events(200, since=mark), taps)]
        failures += ["KWin logged during the taps: " + line
                     for line in processes.log("kwin")[kwin_log_start:].splitlines()]

        # A second launch shows the running app's window, which takes the focus.
        subprocess.run([app_binary], env=env, timeout=20, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        failures += key_target_problem("/keytarget to name the app's own window",
                                       lambda target: target["state"] == "ownWindow")

        script = "quorvelantis-remote-focus-%d" % app.pid
        app.terminate()
        app.wait(timeout=20)
        loaded = subprocess.run(["busctl", "--user", "call", "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                                 "isScriptLoaded", "s", script], env=env, capture_output=True, text=True).stdout
        if loaded.strip() != "b false":
            failures.append("KWin still has the app's script after the app ended: isScriptLoaded answers " + loaded)
    except (SessionUnavailable, AssertionError, OSError, subprocess.SubprocessError) as error:
        failures.append(str(error))
    finally:
        processes.stop()
    if failures and os.path.exists(os.path.join(workdir, "app.log")):
        failures.append("the app's log ends with:\n" + processes.log("app")[-3000:])
    return failures


if __name__ == "__main__":
    workdir = tempfile.mkdtemp(prefix="quorvelantis-kde-")
    failures = check(sys.argv[1], workdir)
    for failure in failures:
        print("FAIL", failure)
    if not failures:
        print("PASS on KDE Plasma: the first tap, 100 alternated taps in order, /keytarget naming wev then the app's "
              "own window, the KWin script unloaded at exit")
        shutil.rmtree(workdir, ignore_errors=True)
    sys.exit(1 if failures else 0)
