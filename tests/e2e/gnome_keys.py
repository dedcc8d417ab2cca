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
import subprocess
import sys
import tempfile

import wev_taps
from wev_taps import SessionUnavailable

WAYLAND_SOCKET = "wayland-gnome-test"
PORT = 4777
STRAY_RELEASE = "Received multiple virtual"  # mutter's "… 0x6a key releases (ignoring)": a release before its press
MUTTER_REMOTE, MUTTER_REMOTE_PATH = "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop"
SHIFT_KEYSYM = 0xffe1
# The connection whose mutter remote desktop session holds the seat's keyboard, open as long as the test runs.
_keyboard_holder = []


def start_gnome_session(processes, workdir):
    """A headless GNOME Shell on a private session bus, out of the Overview, its seat keyboard made, then the portal
    and its GNOME backend. Returns the environment its clients need (this process's own, for AT-SPI, becomes it too);
    SessionUnavailable when a part does not come up."""
    # The mounts below would cover the machine's own folders outside a namespace of the test's own.
    if os.getpid() != 1:
        raise SessionUnavailable("not the first process of a private PID namespace: run under unshare --net --mount "
                                 "--pid --fork --kill-child --mount-proc")
    if subprocess.run(["ip", "link", "set", "lo", "up"]).returncode != 0:
        raise SessionUnavailable("cannot bring up the private loopback (run under unshare --net)")
    # No host seats (gnome-shell would look for logind and abort), and a system bus of our own that starts nothing
    # (no polkit, no PackageKit).
    for folder in ("/run/systemd", "/run/dbus", "/usr/share/dbus-1/system-services"):
        if subprocess.run(["mount", "-t", "tmpfs", "tmpfs", folder]).returncode != 0:
            raise SessionUnavailable("cannot cover %s (run under unshare --mount, as root)" % folder)
    if subprocess.run(["dbus-daemon", "--system", "--fork"]).returncode != 0:
        raise SessionUnavailable("the private system bus did not start")
    env = wev_taps.session_env(workdir, "GNOME", WAYLAND_SOCKET)
    os.environ.update(env)
    bus = processes.start("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--address=" + env["DBUS_SESSION_BUS_ADDRESS"]], env)
    wev_taps.expect_up(processes, bus, "dbus", "the session bus",
                       lambda: os.path.exists(env["DBUS_SESSION_BUS_ADDRESS"].split("=", 1)[1]))
    # What the bus starts (the portal's other backends, the accessibility bus) finds the session through these.
    subprocess.run(["dbus-update-activation-environment", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE",
                    "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "HOME"], env=env, check=True)

    if not shutil.which("gnome-shell"):
        raise SessionUnavailable("gnome-shell is not installed (scripts/install-deps installs it)")
    shell = processes.start("shell", ["gnome-shell", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
                                      "1280x720", "--wayland-display=" + WAYLAND_SOCKET], env)
    wev_taps.expect_up(processes, shell, "shell", "GNOME Shell to start",
                       lambda: "GNOME Shell started" in processes.log("shell"), timeout=60)
    dbus = DBus(env)
    # It starts in the Overview, which would take the keys.
    dbus.set_property("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "OverviewActive", "b", False)
    wev_taps.expect_up(processes, shell, "shell", "the Overview to close", lambda: dbus.property(
        "org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "OverviewActive") is False)
    # A headless seat has no keyboard until a first virtual key, which is lost whoever sends it: one Shift tap
    # through mutter's own remote desktop service, its session kept (it ends with the connection that made it).
    session = dbus.call(MUTTER_REMOTE, MUTTER_REMOTE_PATH, MUTTER_REMOTE, "CreateSession")[0]
    dbus.call(MUTTER_REMOTE, session, MUTTER_REMOTE + ".Session", "Start")
    for pressed in (True, False):
        dbus.call(MUTTER_REMOTE, session, MUTTER_REMOTE + ".Session", "NotifyKeyboardKeysym", "ub", SHIFT_KEYSYM,
                  pressed)
    _keyboard_holder.append(dbus)

    for name, binary in (("portal-gnome", "/usr/libexec/xdg-desktop-portal-gnome"),
                         ("portal", "/usr/libexec/xdg-desktop-portal")):
        if not os.path.exists(binary):
            raise SessionUnavailable(binary + " is not installed")
        process = processes.start(name, [binary, "-r"], env)
    wev_taps.expect_up(processes, process, "portal", "the RemoteDesktop portal", lambda: dbus.property(
        "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.RemoteDesktop",
        "AvailableDeviceTypes"), timeout=30)
    return env


class DBus:
    """Calls on the session bus (python3-gi, which python3-pyatspi brings)."""

    def __init__(self, env):
        from gi.repository import Gio
        self.connection = Gio.DBusConnection.new_for_address_sync(
            env["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)

    def call(self, name, path, interface, method, signature=None, *arguments):
        from gi.repository import GLib
        parameters = GLib.Variant("(%s)" % signature, arguments) if signature else None
        return self.connection.call_sync(name, path, interface, method, parameters, None, 0, 10000, None).unpack()

    def property(self, name, path, interface, property_name):
        from gi.repository import GLib
        try:
            return self.call(name, path, "org.freedesktop.DBus.Properties", "Get", "ss", interface, property_name)[0]
        except GLib.Error:
            return None

    def set_property(self, name, path, interface, property_name, signature, value):
        from gi.repository import GLib
        self.call(name, path, "org.freedesktop.DBus.Properties", "Set", "ssv", interface, property_name,
                  GLib.Variant(signature, value))


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


def open_page_and_tap_during_dialog(port, wev):
    """The phone's page opens while the presenter sets up and asks where the keys go: the consent dialog opens then
    (not at the first tap in the talk). A tap while it is open must wait for it, and reach wev once it is answered and
    gone, not the closing dialog. Returns the page's /keytarget answer and the first tap."""
    wev_taps.get(port, "/")
    target = json.loads(wev_taps.get(port, "/keytarget"))
    wev_taps.wait_for("the portal's dialog to take the keyboard",
                      lambda: any("wl_keyboard] leave:" in line for line in wev.lines))
    first = wev_taps.send_taps(port, 1)
    answer_consent_dialog()
    return target, first


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
        target, first = open_page_and_tap_during_dialog(PORT, wev)
        if target.get("state") != "unknown":
            failures.append("/keytarget answers %s where GNOME tells nothing" % target)
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
