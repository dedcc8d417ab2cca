#!/usr/bin/python3
"""One instance, close-to-tray, starting with the session as the tray menu sets it, and quitting, with the real app on
a private Xvfb display and session bus.

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

from Xlib import X, display, protocol

LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))
TITLE = "Quorvelantis Remote"


def wait_for(what, probe, timeout=20.0):
    deadline = time.monotonic() + timeout
    while not probe():
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.2)


def answers_ping(port):
    try:
        return LOCAL.open("http://127.0.0.1:%d/ping" % port, timeout=2).status == 200
    except OSError:
        return False


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
        self.tray = None
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

    def start_tray(self):
        """Owns the XEmbed tray selection, as a panel with a tray area does."""
        self.tray = self.x.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        self.tray.set_selection_owner(self.x.intern_atom("_NET_SYSTEM_TRAY_S0"), X.CurrentTime)
        self.x.sync()
        # The window may take the id of an earlier tray: its requests are past.
        while self.x.pending_events():
            self.x.next_event()

    def docked_icon(self):
        """Maps the icon that the app asks the tray to dock, as the tray would."""
        opcode, requested = self.x.intern_atom("_NET_SYSTEM_TRAY_OPCODE"), []

        def dock_request():
            while not requested and self.x.pending_events():
                event = self.x.next_event()
                if event.type == X.ClientMessage and event.client_type == opcode and event.data[1][1] == 0:
                    requested.append(event.data[1][2])
            return requested
        wait_for("a dock request", dock_request)
        icon = self.x.create_resource_object("window", requested[0])
        icon.map()
        self.x.sync()
        return icon

    def stop_tray(self):
        self.tray.destroy()
        self.x.sync()

    def main_window(self):
        """The app's 620-pixel window while it is mapped, else None."""
        for window in self.x.screen().root.query_tree().children:
            if window.get_wm_name() in (TITLE, TITLE.encode()) and window.get_attributes().map_state == X.IsViewable \
                    and window.get_geometry().width == 620:
                return window
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


def tray_keeps_serving(desktop):
    desktop.start_tray()
    first = desktop.launch()
    wait_for("the first instance to serve", lambda: answers_ping(desktop.port))
    wait_for("the window", desktop.main_window)
    desktop.close_window()
    wait_for("the window to hide", lambda: desktop.main_window() is None)
    assert first.poll() is None and answers_ping(desktop.port), "closing the window stopped the app despite a tray"

    exits_zero(desktop.launch(), "the second launch")
    wait_for("the first window to show again", desktop.main_window)
    desktop.press_ctrl_q()
    exits_zero(first, "Ctrl+Q")
    assert not answers_ping(desktop.port), "the port still answers after quitting"
    desktop.stop_tray()


def session_start_serves_from_the_tray(desktop):
    desktop.start_tray()
    first = desktop.launch()
    icon = desktop.docked_icon()
    wait_for("the window", desktop.main_window)
    # The tray menu's second entry ticks starting with the session.
    subprocess.run(["xdotool", "mousemove", "--window", str(icon.id), "4", "4", "click", "3", "sleep", "1",
                    "key", "Down", "Down", "Return"], env=desktop.env(), check=True)
    entry = os.path.join(desktop.base, "config", "autostart", "org.quorvelantis.Remote.desktop")
    wait_for("the autostart entry", lambda: os.path.exists(entry))
    first.terminate()
    exits_zero(first, "SIGTERM")

    # The next session runs the entry's command.
    with open(entry) as text:
        command = next(line for line in text if line.startswith("Exec="))[len("Exec="):]
    started = subprocess.Popen(shlex.split(command), env=desktop.env(), stdout=subprocess.DEVNULL)
    desktop.docked_icon()
    wait_for("the session's instance to serve", lambda: answers_ping(desktop.port))
    assert desktop.main_window() is None, "the app started with the session shows its window"
    started.terminate()
    exits_zero(started, "SIGTERM")
    desktop.stop_tray()


def no_tray_close_quits(desktop):
    first = desktop.launch()
    wait_for("the window", desktop.main_window)
    desktop.close_window()
    exits_zero(first, "closing the window without a tray")


def hand_over_without_session_bus(desktop):
    first = desktop.launch(session_bus=False)
    wait_for("the first instance to serve", lambda: answers_ping(desktop.port))
    exits_zero(desktop.launch(session_bus=False), "the second launch without a session bus")
    assert first.poll() is None and answers_ping(desktop.port), "the first instance stopped serving"
    first.terminate()
    exits_zero(first, "SIGTERM")


if __name__ == "__main__":
    APP = sys.argv[1]
    desktop = Desktop()
    try:
        for case in (tray_keeps_serving, session_start_serves_from_the_tray, no_tray_close_quits,
                     hand_over_without_session_bus):
            case(desktop)
            print("PASS", case.__name__)
    finally:
        desktop.close()
