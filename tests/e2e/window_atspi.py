#!/usr/bin/python3
"""Drives the real window through AT-SPI, as a screen reader would see it.

Usage: dbus-run-session -- window_atspi.py APP_BINARY, on the X display of $DISPLAY (scripts/test starts one).
Starts the accessibility bus, runs the app under a temporary home on a free port, finds the controls by role and name,
switches tabs, applies a port, sends a text and reads the status texts back.
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request


# Straight to the app on loopback, whatever proxy the environment names.
LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=15.0):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.2)


def main(app_binary):
    base = tempfile.mkdtemp(prefix="quorvelantis-e2e-")
    env = dict(os.environ)
    env.update(HOME=base, XDG_CONFIG_HOME=os.path.join(base, "config"), XDG_RUNTIME_DIR=os.path.join(base, "run"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    port = free_port()
    settings_dir = os.path.join(env["XDG_CONFIG_HOME"], "Quorvelantis")
    os.makedirs(settings_dir)
    with open(os.path.join(settings_dir, "QuorvelantisRemote.conf"), "w") as settings:
        settings.write("[General]\nmacRemotePort=%d\n" % port)

    started = []
    try:
        env.pop("WAYLAND_DISPLAY", None)
        env["XDG_SESSION_TYPE"] = "x11"
        started.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(0.5)
        app_env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb", QT_QUICK_BACKEND="software")
        app = subprocess.Popen([app_binary], env=app_env)
        started.append(app)
        os.environ.update(XDG_RUNTIME_DIR=env["XDG_RUNTIME_DIR"], HOME=base)
        return drive(app, env["DISPLAY"], port)
    finally:
        for process in reversed(started):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(base, ignore_errors=True)


def drive(app, display, port):
    import pyatspi  # needs the session bus of this display in the environment

    def frame():
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            application = desktop.getChildAtIndex(index)
            if application is None:
                continue
            for child in application:
                if child is not None and child.name == "Quorvelantis Remote":
                    return child
        return None

    def walk(node, found):
        if node is None:
            return found
        found.append(node)
        for child in node:
            walk(child, found)
        return found

    def nodes():
        # Hidden items stay in the tree with their visible state cleared; a screen reader skips them.
        return [node for node in walk(frame(), []) if node.getState().contains(pyatspi.STATE_VISIBLE)]

    def find(roles, name):
        for node in nodes():
            if node.getRoleName() in roles and node.name == name:
                return node
        return None

    def need(roles, name):
        return wait_for("%s '%s'" % ("/".join(roles), name), lambda: find(roles, name))

    def texts():
        return [node.name for node in nodes() if node.getRoleName() in STATIC]

    def click(node):
        x, y, width, height = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdotool("mousemove", str(x + width // 2), str(y + height // 2), "click", "1")

    def xdotool(*arguments):
        subprocess.run(["xdotool"] + list(arguments), check=True, env=dict(os.environ, DISPLAY=display))

    def expect_text(what, predicate):
        try:
            return wait_for(what, lambda: next((text for text in texts() if predicate(text)), None))
        except Failure as failure:
            raise Failure("%s; texts shown: %s" % (failure, texts()))

    BUTTON = ("push button", "button")
    STATIC = ("label", "static")
    TAB = ("page tab",)
    FIELD = ("text", "entry")

    wait_for("the window on the accessibility bus", frame, timeout=30)
    if app.poll() is not None:
        raise Failure("the app exited with %d" % app.returncode)
    xdotool("search", "--sync", "--name", "Quorvelantis Remote", "windowfocus", "--sync")

    # The Remote tab, as a screen reader finds it.
    remote_tab = need(TAB, "Télécommande")
    send_tab = need(TAB, "Envoyer un texte")
    for name in ("Copier l'IP", "Rafraîchir", "Appliquer"):
        need(BUTTON, name)
    need(("link",), "Télécharger sur l'App Store")
    port_field = need(FIELD, "Port HTTP fallback")
    for shown in ("Auto", "IP", "En attente", "Aucune commande reçue"):
        expect_text("static text '%s'" % shown, lambda text, shown=shown: text == shown)
    # Without a system D-Bus for Avahi here, the peer link may report that sharing is unavailable.
    expect_text("the header's status line", lambda text: text in ("En attente de l'iPhone", "Partage indisponible"))
    expect_text("the address", lambda text: text == "Recherche..." or text == "Aucune IP réseau" or text.count(".") == 3)
    expect_text("the HTTP server ready on the stored port", lambda text: text == "IP active sur le port %d" % port)

    # A new port, typed and applied: the HTTP status now names it.
    new_port = free_port()
    click(port_field)
    xdotool("key", "ctrl+a", "BackSpace")
    xdotool("type", str(new_port))
    click(need(BUTTON, "Appliquer"))
    expect_text("the HTTP server ready on the applied port", lambda text: text == "IP active sur le port %d" % new_port)

    # The Send-text tab: type a text, read the counter, send it and read the outcome.
    click(send_tab)
    editor = need(FIELD, "Script / Texte")
    need(FIELD, "Titre (optionnel)")
    click(editor)
    xdotool("type", "Bonjour le monde")
    expect_text("the word counter", lambda text: text == "3 mots")
    click(need(BUTTON, "Envoyer à l'iPhone"))
    expect_text("the send status", lambda text: text.startswith("✅ Texte"))
    # Without a phone on the peer link the text waits for the phone's next HTTP request.
    with LOCAL.open("http://127.0.0.1:%d/pendingtext" % new_port, timeout=5) as answer:
        body = answer.read().decode("utf-8")
    if "Bonjour le monde" not in body:
        raise Failure("the pending text is not served: %r" % body)

    # Back on the Remote tab, built anew: the field shows the applied port.
    click(remote_tab)
    port_field = need(FIELD, "Port HTTP fallback")
    wait_for("the port field to show the applied port",
             lambda: port_field.queryText().getText(0, -1) == str(new_port))

    # A slide command over HTTP turns the banner active and raises its count.
    with LOCAL.open("http://127.0.0.1:%d/next" % new_port, timeout=5) as answer:
        answer.read()
    expect_text("the count badge", lambda text: text == "1")
    if app.poll() is not None:
        raise Failure("the app exited with %d" % app.returncode)
    print("window driven through AT-SPI: tabs, port %d applied, text sent" % new_port)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1]))
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        sys.exit(1)
