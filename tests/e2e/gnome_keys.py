#!/usr/bin/python3
"""The real app's keys in a real headless GNOME 43 session (gnome-shell, xdg-desktop-portal-gnome), read back at a
focused wev window, the portal's consent dialog answered through AT-SPI as a screen reader user would.

Usage: unshare --net --mount --pid --fork --kill-child --mount-proc gnome_keys.py APP_BINARY
The private namespaces give the test its own loopback (the app's ports are free), its own /run/systemd and system bus,
and end every process the session started (D-Bus activated services included) when the test ends.
"""

import json
import os
import shutil
import sys
import tempfile

import wev_taps
from headless_desktop import SessionUnavailable, start_gnome_session  # on the path wev_taps sets

PORT = 4777
STRAY_RELEASE = "Received multiple virtual"  # mutter's "… 0x6a key releases (ignoring)": a release before its press


def answer_consent_dialog(timeout=30.0):
    """Allows remote interaction in the portal's "Remote desktop" dialog and shares: its switch shows as a check box,
    its button by mnemonic and label."""
    import pyatspi

    def nodes(node):
        yield node
        for child in node or []:
            yield from nodes(child)

    def dialog():
        return next((window for application in pyatspi.Registry.getDesktop(0) for window in application or []
                     if window is not None and window.name == "Remote desktop"), None)

    def find(window, role, name):
        return next((node for node in nodes(window)
                     if node is not None and node.getRoleName() == role and node.name == name), None)

    window = wev_taps.wait_for("the portal's \"Remote desktop\" dialog", dialog, timeout)
    switch = wev_taps.wait_for("its switch", lambda: find(window, "check box", "Allow remote interaction"))
    if not switch.getState().contains(pyatspi.STATE_CHECKED):
        switch.queryAction().doAction(0)
    share = wev_taps.wait_for("its Share button", lambda: find(window, "push button", "_Share Share"))
    wev_taps.wait_for("Share to be enabled", lambda: share.getState().contains(pyatspi.STATE_SENSITIVE))
    share.queryAction().doAction(0)
    wev_taps.wait_for("the dialog to close", lambda: dialog() is None)


def open_page(port, wev):
    """The phone's page opens while the presenter sets up and asks where the keys go: the consent dialog opens then
    (not at the first tap in the talk) and takes the keyboard. Returns the page's /keytarget answer."""
    wev_taps.get(port, "/")
    target = json.loads(wev_taps.get(port, "/keytarget"))
    wev_taps.wait_for("the portal's dialog to take the keyboard",
                      lambda: any("wl_keyboard] leave:" in line for line in wev.lines))
    return target


def open_page_and_allow(port, wev):
    """What the presenter does before the talk: the page opens, the dialog is answered, wev has the keyboard back."""
    open_page(port, wev)
    answer_consent_dialog()
    wev_taps.wait_for("wev to get the keyboard back from the dialog",
                      lambda: sum("wl_keyboard] enter:" in line for line in wev.lines) == 2)


def stray_releases(processes):
    return [line for line in processes.log("shell").splitlines() if STRAY_RELEASE in line]


def check(app_binary, workdir, count=100):
    """The failures seen, as sentences; empty when everything holds."""
    failures = []
    processes = wev_taps.Processes(workdir)
    try:
        env = start_gnome_session(processes, workdir)
        wev = wev_taps.Wev(processes, env)
        wev.wait_keyboard_focus()
        wev_taps.start_app(processes, app_binary, env, PORT)

        # Nothing public tells where the keys go on GNOME: the app must not guess.
        target = open_page(PORT, wev)
        if target.get("state") != "unknown":
            failures.append("/keytarget answers %s where GNOME tells nothing" % target)
        # A tap while the dialog is open waits for it, and reaches wev once it is answered, not the closing dialog.
        first = wev_taps.send_taps(PORT, 1)
        answer_consent_dialog()
        failures += ["first tap after the start: " + problem
                     for problem in wev_taps.tap_problems(wev.wait_events(2, timeout=15), first)]

        mark = wev.mark()
        taps = wev_taps.send_taps(PORT, count, gap=0.03)
        events = wev.wait_events(2 * count, since=mark)
        failures += ["%d alternated taps: %s" % (count, problem) for problem in wev_taps.tap_problems(events, taps)]
        failures += ["gnome-shell warned: " + line for line in stray_releases(processes)]
        print("GNOME: %s" % json.dumps(wev_taps.tap_figures(events, taps)))
    except (SessionUnavailable, AssertionError, OSError) as error:
        failures.append(str(error))
    finally:
        processes.stop()
    if failures:
        app_log = os.path.join(workdir, "app.log")
        if os.path.exists(app_log):
            with open(app_log, errors="replace") as log:
                failures.append("the app's log ends with:\n" + log.read()[-3000:])
    return failures


if __name__ == "__main__":
    workdir = tempfile.mkdtemp(prefix="quorvelantis-gnome-")
    failures = check(sys.argv[1], workdir)
    for failure in failures:
        print("FAIL", failure)
    if not failures:
        print("PASS the first tap through the consent dialog, 100 alternated taps in order, /keytarget unknown, on "
              "GNOME")
        shutil.rmtree(workdir, ignore_errors=True)
    sys.exit(1 if failures else 0)
