#!/usr/bin/python3
"""A real desktop session with no screen, to try the app by hand on it: starts the session on buses of its own, runs
COMMAND inside it (an interactive shell by default), and ends the session and everything it started when COMMAND exits.

Usage (as root): scripts/headless_desktop.py kde|gnome [COMMAND [ARGUMENT...]]
    kde: kwin_wayland on a 1280×720 virtual output, xdg-desktop-portal and its KDE backend.
    gnome: gnome-shell on a 1280×720 virtual monitor, out of the Overview, its seat keyboard made, xdg-desktop-portal
    and its GNOME backend (the RemoteDesktop consent dialog is yours to answer, through AT-SPI with no screen).
It runs itself in private network, mount and PID namespaces: the app's default ports are free, and nothing the
session's bus starts outlives it. The session's logs stay in the folder it names. The end-to-end key tests and
bench/tools/desktop_taps.py start their sessions with it.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time


class SessionUnavailable(Exception):
    """The desktop did not come up here, with the reason."""


def wait_for(what, probe, timeout=20.0, interval=0.1):
    """probe()'s first true value; AssertionError naming `what` after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while not (value := probe()):
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)
    return value


class Processes:
    """Started processes, each writing to its own log in `workdir` (never to the caller's pipes, which ctest waits
    on); stop() ends them with whatever they started in their process groups, newest first."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.started = []

    def start(self, name, argv, env, **popen):
        with open(os.path.join(self.workdir, name + ".log"), "w") as log:
            popen.setdefault("stdout", log)
            popen.setdefault("stderr", subprocess.STDOUT)
            self.started.append(subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, start_new_session=True,
                                                 **popen))
        return self.started[-1]

    def log(self, name):
        with open(os.path.join(self.workdir, name + ".log"), errors="replace") as log:
            return log.read()

    def stop(self):
        def kill(process, number):
            try:
                os.killpg(process.pid, number)
            except ProcessLookupError:
                pass
        for process in reversed(self.started):
            kill(process, signal.SIGTERM)
        deadline = time.monotonic() + 5
        for process in reversed(self.started):
            try:
                process.wait(timeout=max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                kill(process, signal.SIGKILL)
                process.wait()
        self.started.clear()


def session_env(workdir, desktop, wayland_socket):
    """What the clients of a desktop session need: HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR of its own in `workdir`,
    the session bus there, `wayland_socket`, XDG_CURRENT_DESKTOP=`desktop`, no X display."""
    folders = {name: os.path.join(workdir, name.lower()) for name in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR")}
    for folder in folders.values():
        os.makedirs(folder, mode=0o700)
    # As a desktop's first login makes it: KDE's Screenshot portal saves there, and fails without it.
    os.makedirs(os.path.join(folders["HOME"], "Pictures"))
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


def on_bus(env, name):
    return subprocess.run(["busctl", "--user", "status", name], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def start_kde_session(processes, workdir, wayland_socket="wayland-kde-test"):
    """A headless Plasma session on a private session bus: kwin_wayland, then the portal and its KDE backend.
    Returns the environment its clients need; SessionUnavailable when a part does not come up."""
    if subprocess.run(["ip", "link", "set", "lo", "up"]).returncode != 0:
        raise SessionUnavailable("cannot bring up the private loopback (run under unshare --net)")
    env = session_env(workdir, "KDE", wayland_socket)
    bus = processes.start("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--address=" + env["DBUS_SESSION_BUS_ADDRESS"]], env)
    socket = env["DBUS_SESSION_BUS_ADDRESS"].split("=", 1)[1]
    expect_up(processes, bus, "dbus", "the session bus", lambda: os.path.exists(socket))

    # The packaged binary carries a file capability that a container may refuse to honour; a copy carries none.
    if not shutil.which("kwin_wayland"):
        raise SessionUnavailable("kwin_wayland is not installed (scripts/install-deps installs kwin-wayland)")
    kwin_copy = shutil.copy(shutil.which("kwin_wayland"), os.path.join(workdir, "kwin_wayland"))
    kwin = processes.start("kwin", [kwin_copy, "--virtual", "--width", "1280", "--height", "720", "--socket",
                                    wayland_socket, "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"],
                           env)
    expect_up(processes, kwin, "kwin", "kwin_wayland's socket and its D-Bus name",
              lambda: os.path.exists(os.path.join(env["XDG_RUNTIME_DIR"], wayland_socket))
              and on_bus(env, "org.kde.KWin"), timeout=60)

    for name, argv, bus_name in (
            ("portal-kde", ["/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde"],
             "org.freedesktop.impl.portal.desktop.kde"),
            ("portal", ["/usr/libexec/xdg-desktop-portal", "-r"], "org.freedesktop.portal.Desktop")):
        if not os.path.exists(argv[0]):
            raise SessionUnavailable(argv[0] + " is not installed")
        process = processes.start(name, argv, env)
        expect_up(processes, process, name, bus_name, lambda: on_bus(env, bus_name), timeout=30)
    return env


WAYLAND_SOCKET = "wayland-gnome-test"
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
    env = session_env(workdir, "GNOME", WAYLAND_SOCKET)
    os.environ.update(env)
    bus = processes.start("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--address=" + env["DBUS_SESSION_BUS_ADDRESS"]], env)
    expect_up(processes, bus, "dbus", "the session bus",
              lambda: os.path.exists(env["DBUS_SESSION_BUS_ADDRESS"].split("=", 1)[1]))
    # What the bus starts (the portal's other backends, the accessibility bus) finds the session through these.
    subprocess.run(["dbus-update-activation-environment", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE",
                    "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "HOME"], env=env, check=True)

    if not shutil.which("gnome-shell"):
        raise SessionUnavailable("gnome-shell is not installed (scripts/install-deps installs it)")
    shell = processes.start("shell", ["gnome-shell", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
                                      "1280x720", "--wayland-display=" + WAYLAND_SOCKET], env)
    # Seen once to take over a minute, on a machine running other tests beside it.
    expect_up(processes, shell, "shell", "GNOME Shell to start",
              lambda: "GNOME Shell started" in processes.log("shell"), timeout=150)
    dbus = DBus(env)
    # It starts in the Overview, which would take the keys.
    dbus.set_property("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "OverviewActive", "b", False)
    expect_up(processes, shell, "shell", "the Overview to close", lambda: dbus.property(
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
    expect_up(processes, process, "portal", "the RemoteDesktop portal", lambda: dbus.property(
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


SESSIONS = {"kde": start_kde_session, "gnome": start_gnome_session}


def main(desktop=None, *command):
    if desktop not in SESSIONS:
        sys.exit(__doc__)
    if os.getpid() != 1:
        os.execvp("unshare", ["unshare", "--net", "--mount", "--pid", "--fork", "--kill-child", "--mount-proc",
                              sys.executable, os.path.abspath(__file__), desktop, *command])
    workdir = tempfile.mkdtemp(prefix="headless-%s-" % desktop)
    processes = Processes(workdir)
    try:
        env = SESSIONS[desktop](processes, workdir)
        print("%s session up, its logs in %s" % (desktop, workdir), file=sys.stderr)
        return subprocess.run(command or [os.environ.get("SHELL", "/bin/sh")], env=env).returncode
    except SessionUnavailable as error:
        sys.exit("%s session unavailable: %s" % (desktop, error))
    finally:
        processes.stop()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
