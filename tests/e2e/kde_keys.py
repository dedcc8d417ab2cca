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
from headless_desktop import SessionUnavailable, start_kde_session  # on the path wev_taps sets

PORT = 4777


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
    print("\n".join("FAIL " + failure for failure in failures) or "PASS on KDE Plasma: the first tap, 100 alternated "
          "taps in order, /keytarget naming wev then the app's own window, the KWin script unloaded at exit")
    if not failures:
        shutil.rmtree(workdir, ignore_errors=True)
    sys.exit(1 if failures else 0)
