#!/usr/bin/python3
"""One instance, the tray icon as a StatusNotifierItem host sees it, close-to-tray, starting with the session as the tray
menu sets it, and quitting, with the real app on a private Xvfb display and session bus. The test plays the desktop's
StatusNotifierWatcher and, when asked to, its tray host.

Usage: desktop_instance.py APP_BINARY
"""

import os
import shlex
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

import dbus
import dbus.service
import websocket
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib
from Xlib import X, display, error, protocol

LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))
TITLE = "Quorvelantis Remote"
WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
PROPERTIES = "org.freedesktop.DBus.Properties"
DBusGMainLoop(set_as_default=True)


def wait_for(what, probe, timeout=20.0):
    """Waits, serving the test's own D-Bus objects meanwhile."""
    deadline = time.monotonic() + timeout
    while not probe():
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        pause = time.monotonic() + 0.1
        while time.monotonic() < pause:
            if not GLib.MainContext.default().iteration(False):
                time.sleep(0.01)


def answers_ping(port):
    try:
        return LOCAL.open("http://127.0.0.1:%d/ping" % port, timeout=2).status == 200
    except OSError:
        return False


class Watcher(dbus.service.Object):
    """org.kde.StatusNotifierWatcher, as a desktop's panel runs it; `host` says whether a tray host draws the items."""

    def __init__(self, bus, host):
        self.bus_name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
        super().__init__(bus, "/StatusNotifierWatcher")
        self.host, self.items = host, []

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender):
        self.items.append(sender if service.startswith("/") else service)

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = {"IsStatusNotifierHostRegistered": dbus.Boolean(self.host), "ProtocolVersion": dbus.Int32(0),
                  "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s")}
        return values[name]


class TrayItem:
    """What a tray host reads of the app's StatusNotifierItem, and what its clicks call."""

    def __init__(self, item, bus):
        self.item, self.new_icons = item, []
        self.property = lambda name: item.Get(ITEM, name, dbus_interface=PROPERTIES)
        self.menu = bus.get_object(item.bus_name, self.property("Menu"), introspect=False)
        item.connect_to_signal("NewIcon", lambda: self.new_icons.append(1), dbus_interface=ITEM)

    def entries(self):
        """{label: (id, properties)} of the menu's items, as the host draws them."""
        revision, (root, properties, children) = self.menu.GetLayout(0, -1, dbus.Array([], signature="s"),
                                                                  dbus_interface=MENU)
        assert properties.get("children-display") == "submenu", properties
        return {child[1]["label"]: (int(child[0]), child[1]) for child in children}

    def click(self, label):
        self.menu.AboutToShow(0, dbus_interface=MENU)
        self.menu.Event(self.entries()[label][0], "clicked", dbus.String("", variant_level=1), dbus.UInt32(0),
                        dbus_interface=MENU)

    def checked(self, label):
        return self.entries()[label][1].get("toggle-state") == 1


class Desktop:
    def __init__(self):
        self.base = tempfile.mkdtemp(prefix="quorvelantis-desktop-")
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24",
                                      "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            self.display_name = ":" + reader.readline().strip()
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             check=True, capture_output=True, text=True).stdout.split()
        self.bus_address, self.bus_pid = bus[0], int(bus[1])
        self.x = display.Display(self.display_name)
        self.bus = dbus.bus.BusConnection(self.bus_address)
        self.watcher = None
        # Held bound, without listening, to the end: the app, which reuses addresses, can listen on it, and nothing
        # else takes it first.
        self.port_holder = socket.socket(socket.AF_INET6)
        self.port_holder.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.port_holder.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
        self.port_holder.bind(("::", 0))
        self.port = self.port_holder.getsockname()[1]
        config = os.path.join(self.base, "config", "Quorvelantis")
        os.makedirs(config)
        with open(os.path.join(config, "QuorvelantisRemote.conf"), "w") as settings:
            settings.write("[General]\nmacRemotePort=%d\n" % self.port)
        os.makedirs(os.path.join(self.base, "run"), mode=0o700)

    def env(self, session_bus=True):
        env = dict(os.environ, HOME=self.base, XDG_CONFIG_HOME=os.path.join(self.base, "config"),
                   XDG_RUNTIME_DIR=os.path.join(self.base, "run"), DISPLAY=self.display_name, QT_QPA_PLATFORM="xcb",
                   QT_QUICK_BACKEND="software", LC_ALL="C.UTF-8", DBUS_SESSION_BUS_ADDRESS=self.bus_address)
        if not session_bus:
            env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent"
        return env

    def start_watcher(self, host=True):
        self.watcher = Watcher(self.bus, host)

    def stop_watcher(self):
        self.watcher.remove_from_connection()
        self.bus.release_name(WATCHER)
        self.watcher = None

    def tray_item(self):
        """The item the app registered with the watcher, once it has."""
        # As a watcher does, forgets the items of apps that have quit.
        live = lambda: [name for name in self.watcher.items if self.bus.name_has_owner(name)]
        wait_for("the app's tray item", live)
        service = live()[-1]
        return TrayItem(self.bus.get_object(service, "/StatusNotifierItem", introspect=False), self.bus)

    def main_window(self):
        """The app's 620-pixel window while it is mapped, else None."""
        for window in self.x.screen().root.query_tree().children:
            try:
                if window.get_wm_name() in (TITLE, TITLE.encode()) and window.get_geometry().width == 620 \
                        and window.get_attributes().map_state == X.IsViewable:
                    return window
            except (error.BadWindow, error.BadDrawable):
                pass  # closed meanwhile: a closed window is destroyed, not only unmapped
        return None

    def close_window(self):
        window = self.main_window()
        message = protocol.event.ClientMessage(
            window=window, client_type=self.x.intern_atom("WM_PROTOCOLS"),
            data=(32, [self.x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(message)
        self.x.sync()

    def press_ctrl_q(self):
        window = self.main_window()
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.x.sync()
        subprocess.run(["xdotool", "key", "ctrl+q"], env=self.env(), check=True)

    def launch(self, session_bus=True):
        return subprocess.Popen([APP], env=self.env(session_bus), stdout=subprocess.DEVNULL)

    def close(self):
        self.port_holder.close()
        self.x.close()
        self.xvfb.terminate()
        os.kill(self.bus_pid, 15)


def exits_zero(process, what):
    try:
        code = process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        process.kill()
        raise AssertionError(what + " kept running")
    assert code == 0, "%s exited with %d" % (what, code)


def icon_of(tray):
    return [(int(w), int(h), bytes(pixels)) for w, h, pixels in tray.property("IconPixmap")]


def tray_keeps_serving(desktop):
    desktop.start_watcher()
    first = desktop.launch()
    wait_for("the first instance to serve", lambda: answers_ping(desktop.port))
    wait_for("the window", desktop.main_window)
    tray = desktop.tray_item()
    assert list(tray.entries()) == ["Afficher la fenêtre", "Lancer à l'ouverture de session", "Quitter"], \
        tray.entries()
    assert tray.entries()["Lancer à l'ouverture de session"][1]["toggle-type"] == "checkmark"

    # A phone joins: the icon and its tool tip change, and the host is told to read them again.
    waiting, tip = icon_of(tray), tray.property("ToolTip")[2]
    assert waiting and all(w * h * 4 == len(pixels) for w, h, pixels in waiting), "no usable icon picture"
    page = LOCAL.open("http://127.0.0.1:%d/" % desktop.port, timeout=5).read().decode()
    peer_port = int(page.split('data-peer-port="')[1].split('"')[0])
    phone = websocket.create_connection("ws://127.0.0.1:%d/" % peer_port, timeout=5)
    wait_for("the host to be told of a new icon", lambda: tray.new_icons)
    assert icon_of(tray) != waiting and tray.property("ToolTip")[2] != tip, "the icon does not show the phone"
    phone.close()

    desktop.close_window()
    wait_for("the window to hide", lambda: desktop.main_window() is None)
    assert first.poll() is None and answers_ping(desktop.port), "closing the window stopped the app despite a tray"
    tray.item.Activate(0, 0, dbus_interface=ITEM)
    wait_for("a click on the icon to show the window", desktop.main_window)
    desktop.close_window()
    wait_for("the window to hide again", lambda: desktop.main_window() is None)

    exits_zero(desktop.launch(), "the second launch")
    wait_for("the first window to show again", desktop.main_window)
    desktop.press_ctrl_q()
    exits_zero(first, "Ctrl+Q")
    assert not answers_ping(desktop.port), "the port still answers after quitting"
    desktop.stop_watcher()


def session_start_serves_from_the_tray(desktop):
    desktop.start_watcher()
    first = desktop.launch()
    wait_for("the window", desktop.main_window)
    tray = desktop.tray_item()
    entry = os.path.join(desktop.base, "config", "autostart", "org.quorvelantis.Remote.desktop")
    # Ticked, unticked, ticked again: the entry comes, goes and comes back, and the check mark follows.
    for ticked in (True, False, True):
        tray.click("Lancer à l'ouverture de session")
        wait_for("the autostart entry to be " + ("written" if ticked else "removed"),
                 lambda: os.path.exists(entry) == ticked)
        assert tray.checked("Lancer à l'ouverture de session") == ticked
    tray.click("Quitter")
    exits_zero(first, "Quitter")

    # The next session runs the entry's command: it serves from the tray, and the menu brings the window.
    with open(entry) as text:
        command = next(line for line in text if line.startswith("Exec="))[len("Exec="):]
    started = subprocess.Popen(shlex.split(command), env=desktop.env(), stdout=subprocess.DEVNULL)
    tray = desktop.tray_item()
    wait_for("the session's instance to serve", lambda: answers_ping(desktop.port))
    assert desktop.main_window() is None, "the app started with the session shows its window"
    assert tray.checked("Lancer à l'ouverture de session")
    tray.click("Afficher la fenêtre")
    wait_for("the menu to show the window", desktop.main_window)
    started.terminate()
    exits_zero(started, "SIGTERM")
    desktop.stop_watcher()


def no_tray_host_close_quits(desktop):
    # A watcher that no panel draws from is no tray.
    desktop.start_watcher(host=False)
    first = desktop.launch()
    wait_for("the window", desktop.main_window)
    desktop.tray_item()
    desktop.close_window()
    exits_zero(first, "closing the window without a tray host")
    desktop.stop_watcher()


def hand_over_without_session_bus(desktop):
    first = desktop.launch(session_bus=False)
    wait_for("the first instance to serve", lambda: answers_ping(desktop.port))
    exits_zero(desktop.launch(session_bus=False), "the second launch without a session bus")
    assert first.poll() is None and answers_ping(desktop.port), "the first instance stopped serving"
    # Without a session bus there is no tray either.
    wait_for("the window", desktop.main_window)
    desktop.close_window()
    exits_zero(first, "closing the window without a session bus")


if __name__ == "__main__":
    APP = sys.argv[1]
    desktop = Desktop()
    try:
        for case in (tray_keeps_serving, session_start_serves_from_the_tray, no_tray_host_close_quits,
                     hand_over_without_session_bus):
            case(desktop)
            print("PASS", case.__name__)
    finally:
        desktop.close()
