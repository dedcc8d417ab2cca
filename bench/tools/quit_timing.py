#!/usr/bin/env python3
"""How fast the app lets go when asked to quit, with avahi-daemon answering and with it hung.

quit_timing.py APP RUNS, as root inside `unshare --mount --net dbus-run-session --` (bench/run arranges it): a
private system bus and avahi-daemon, the app started with `--hidden` and left to publish its service. Three cases:
avahi-daemon answering; stopped with SIGSTOP once the service is published; stopped before the app starts, so the
publishing thread is held in a D-Bus call when the app quits. From SIGTERM, each run times the single-instance name released on the
session bus, the HTTP port and the peer port refusing connections, and the process gone.
Prints one line per case: medians and maxima in ms over RUNS.
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time

from gi.repository import Gio, GLib

APP, RUNS = sys.argv[1], int(sys.argv[2])
HTTP_PORT, PEER_PORT = 4777, 4778
BUS_NAME = "org.quorvelantis.Remote"


def start_avahi():
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    for folder in ("/run/dbus", "/run/avahi-daemon"):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "tmpfs", folder], check=True)
    bus = int(subprocess.run(["dbus-daemon", "--system", "--fork", "--print-pid"], check=True, capture_output=True,
                             text=True).stdout.split()[0])
    subprocess.run(["avahi-daemon", "--daemonize", "--no-rlimits"], check=True)
    for _ in range(100):
        if subprocess.run(["avahi-daemon", "--check"]).returncode == 0:
            break
        time.sleep(0.05)
    with open("/run/avahi-daemon/pid") as pid:
        return bus, int(pid.read())


def refuses(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
        return False
    except OSError:
        return True


def one_run(env, avahi, case, session):
    if case == "hung-at-start":
        os.kill(avahi, signal.SIGSTOP)
    app = subprocess.Popen([APP, "--hidden"], env=env, stderr=subprocess.DEVNULL)
    for _ in range(200):
        if not refuses(HTTP_PORT) and not refuses(PEER_PORT):
            break
        time.sleep(0.05)
    time.sleep(1.5)  # the service published
    if case == "hung":
        os.kill(avahi, signal.SIGSTOP)
    times = {}
    started = time.monotonic()
    app.send_signal(signal.SIGTERM)
    while len(times) < 4 and time.monotonic() - started < 60:
        now = 1000 * (time.monotonic() - started)
        has_owner = session.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                      "NameHasOwner", GLib.Variant("(s)", (BUS_NAME,)), None,
                                      Gio.DBusCallFlags.NONE, 1000, None).unpack()[0]
        for key, done in (("name", not has_owner), ("http", refuses(HTTP_PORT)), ("peer", refuses(PEER_PORT)),
                          ("exit", app.poll() is not None)):
            if done and key not in times:
                times[key] = now
        time.sleep(0.002)
    if app.poll() is None:
        app.kill()
    app.wait()
    if case != "answering":
        os.kill(avahi, signal.SIGCONT)
    return times


def main():
    bus, avahi = start_avahi()
    config = tempfile.mkdtemp()
    os.makedirs(f"{config}/Quorvelantis")
    with open(f"{config}/Quorvelantis/QuorvelantisRemote.conf", "w") as settings:
        settings.write(f"[General]\nmacRemotePort={HTTP_PORT}\n")
    env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=config, QT_QPA_PLATFORM="offscreen")
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    try:
        for case in ("answering", "hung", "hung-at-start"):
            runs = [one_run(env, avahi, case, session) for _ in range(RUNS)]
            fields = []
            for key in ("name", "http", "peer", "exit"):
                values = sorted(run.get(key, float("inf")) for run in runs)
                fields.append(f"{key}_ms={values[len(values) // 2]:.0f}/{values[-1]:.0f}")
            print(f"avahi={case} " + " ".join(fields) + f" runs={RUNS} "
                  f"load={os.getloadavg()[0]:.1f}", flush=True)
    finally:
        subprocess.run(["avahi-daemon", "--kill"], stderr=subprocess.DEVNULL)
        os.kill(bus, signal.SIGTERM)


main()
