#!/usr/bin/python3
"""The real app's window read and driven through AT-SPI, as a screen reader sees it, and the phone's remote page in
headless Chromium against it: tabs, a port applied, a text left pending, a script's WebSocket client, the window's QR
overlay, a refused host name, the page over the WebSocket and over HTTP, in French and in English, keys at a focused
X client and where the page says they go, the session's packets dropped by a firewall, the talk timer, the screen held
awake, a script's sections (kept across a reload, in view as the text grows, Hebrew from the right), texts both ways, a
German phone in English, the window seeing a page that polls over HTTP, programs named by the desktop's menus, the app
stopped and back hidden.
Usage: end-leftovers.py dbus-run-session -- web_remote.py APP_BINARY KEY_RECEIVER_BINARY SCREENSHOT_DIR, on the X
display of $DISPLAY (scripts/test starts one), in a network namespace of its own (its firewall rules change); the
page's 390×844 screenshots are left in SCREENSHOT_DIR."""

import os
import re
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import time

from wev_taps import LOCAL, get, wait_for

STATIC, FIELD = ("label", "static"), ("text", "entry")
HELD_PORTS = []


def held_port():
    """A port kept bound, without listening, to the end of the test: the app, which reuses addresses, can listen on it,
    and nothing that binds or connects meanwhile (chromedriver, Chromium) takes it first."""
    holder = socket.socket(socket.AF_INET6)
    holder.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    holder.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
    holder.bind(("::", 0))
    HELD_PORTS.append(holder)
    return holder.getsockname()[1]


CONNECTED_WS = "Connecté (WebSocket)"
CONNECTED_HTTP = "Connected (HTTP, fallback)"
LOST = "Connection lost — retrying…"


def app_environment(prefix):
    """The app's environment under a home of its own, on X11 with its accessibility bus, and the port it will serve."""
    base = tempfile.mkdtemp(prefix=prefix)
    env = dict(os.environ, HOME=base, XDG_CONFIG_HOME=os.path.join(base, "config"), XDG_SESSION_TYPE="x11",
               XDG_RUNTIME_DIR=os.path.join(base, "run"), QT_QPA_PLATFORM="xcb", QT_QUICK_BACKEND="software",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    env.pop("WAYLAND_DISPLAY", None)
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "Quorvelantis"))
    port = held_port()
    with open(os.path.join(env["XDG_CONFIG_HOME"], "Quorvelantis", "QuorvelantisRemote.conf"), "w") as settings:
        settings.write("[General]\nmacRemotePort=%d\n" % port)
    return env, port


def start_accessibility_bus(env, started):
    """The bus on which the app's window shows itself to AT-SPI, as a screen reader reads it."""
    started.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    time.sleep(0.5)


def end_run(env, display, started, browsers):
    """Quits the browsers, ends what the run started, newest first, and removes the app's home."""
    for browser in browsers:
        browser.quit()
    for process in reversed(started):
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
    display.close()
    shutil.rmtree(env["HOME"], ignore_errors=True)


def main(app_binary, receiver_binary, screenshot_dir):
    env, port = app_environment("quorvelantis-web-")
    # The desktop speaks French, and its menus name the key receiver (X11 class "Key_receiver").
    env.update(LANGUAGE="fr_FR", XDG_DATA_HOME=os.path.join(env["HOME"], "data"))
    os.makedirs(os.path.join(env["XDG_DATA_HOME"], "applications"))
    with open(os.path.join(env["XDG_DATA_HOME"], "applications", "org.example.Catcher.desktop"), "w") as entry:
        entry.write("[Desktop Entry]\nType=Application\nName=Key catcher\nName[fr]=Attrape-touches\n"
                    "StartupWMClass=Key_receiver\nExec=true\n")
    started, browsers = [], []
    # Held open for the whole test: an X server with no client left resets, and refuses connections meanwhile.
    display = wait_for("the X display", open_display)
    try:
        start_accessibility_bus(env, started)

        def start_app(*arguments):
            started.append(subprocess.Popen([app_binary] + list(arguments), env=env))
            return started[-1]
        return drive(env, start_app, port, receiver_binary, screenshot_dir, started, browsers)
    finally:
        end_run(env, display, started, browsers)


def open_display():
    from Xlib import display, error
    try:
        return display.Display()
    except error.DisplayError:
        return None


class Window:  # the app's window as AT-SPI shows it, clicked with xdotool

    def __init__(self, display):
        import pyatspi
        self.atspi, self.display = pyatspi, display

    def nodes(self):
        desktop, found = self.atspi.Registry.getDesktop(0), []

        def walk(node):
            if node is not None and node.getState().contains(self.atspi.STATE_VISIBLE):
                found.append(node)
                for child in node:
                    walk(child)
        for application in desktop:
            for child in application or []:
                if child is not None and child.name == "Quorvelantis Remote":
                    walk(child)
        return found

    def find(self, pattern, roles=None):
        """The first visible node whose whole name matches the pattern (and of one of the roles, if given)."""
        return wait_for("'%s' in the window" % pattern, lambda: next((n for n in self.nodes() if re.fullmatch(
            pattern, n.name or "") and (roles is None or n.getRoleName() in roles)), None))

    def click(self, name, roles=None):
        x, y, width, height = self.find(re.escape(name), roles).queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        self.xdotool("mousemove", str(x + width // 2), str(y + height // 2), "click", "1")

    def xdotool(self, *arguments):
        subprocess.run(["xdotool"] + list(arguments), check=True, env=dict(os.environ, DISPLAY=self.display))


def chromium(url, block_websocket=False, language="fr-FR", resolver_rules=None):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--no-proxy-server"):
        options.add_argument(flag)
    options.add_argument("--lang=" + language)
    if resolver_rules:
        options.add_argument("--host-resolver-rules=" + resolver_rules)
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    options.binary_location = "/usr/bin/chromium"
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
    if block_websocket:
        # As a firewall that refuses the session's port: every WebSocket the page opens is refused.
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": (
            "(function(){var R=window.WebSocket;window.WebSocket=function(){return new R('ws://127.0.0.1:9/');};"
            "window.WebSocket.prototype=R.prototype;})();")})
    browser.get(url)
    return browser


def page_status(browser, expected, timeout=10.0):
    from selenium.common.exceptions import NoSuchElementException

    def says():
        try:
            return browser.find_element("id", "status").text.startswith(expected)
        except NoSuchElementException:  # a link followed may not have loaded the page yet
            return False
    return wait_for("the page to say '%s'" % expected, says, timeout)


def drop_packets_to(port):
    """Drops what is sent to the port, as a stalled Wi-Fi, in the test's own network namespace; None ends it."""
    subprocess.run(["nft", "delete table inet webremote" if port is None else "table inet webremote { chain input {"
                    " type filter hook input priority 0; tcp dport %d drop; }; }" % port], check=True)


def page_text(browser, element_id):
    return browser.find_element("id", element_id).text


def tap(browser, button, receiver, key):
    if button in ("ARROW_RIGHT", "ARROW_LEFT", "SPACE"):
        from selenium.webdriver.common.keys import Keys
        browser.find_element("tag name", "body").send_keys(getattr(Keys, button))
    else:
        browser.find_element("id", button).click()
    line = wait_for("a key at the X client", receiver.stdout.readline, timeout=5)
    if line.strip() != "press " + key:
        raise AssertionError("tapping %s gave %r, not press %s" % (button, line, key))
    receiver.stdout.readline()  # its release


def talk_timer_takes_a_long_press(browser, seconds):
    """A stray tap on ⏸ or ↺ during the talk, held a fifth of a second, neither pauses nor resets the timer; a press
    held 0.8 s does."""
    from selenium.webdriver.common.action_chains import ActionChains
    press = lambda button, duration: ActionChains(browser).click_and_hold(  # noqa: E731
        browser.find_element("id", button)).pause(duration).release().perform()
    paused = lambda: "paused" in browser.find_element("id", "clock").get_attribute("class").split()  # noqa: E731
    before = seconds()
    for button in ("pause", "reset"):
        press(button, 0.2)
    time.sleep(1)
    if paused() or seconds() < before:
        raise AssertionError("a tap on ⏸ or ↺ stopped the talk timer at %s" % page_text(browser, "elapsed"))
    for button, done in (("pause", paused), ("reset", lambda: page_text(browser, "elapsed") == "0:00")):
        press(button, 1.2)
        wait_for("a long press on " + button, done, timeout=3)


def long_script_keeps_its_place(browser, port):
    """In a long script, the current section stays in view as the text grows, a Hebrew one reads from the right, and
    a reload (the text delivered, so no longer served) shows the script and its current section again."""
    import json
    parts = ["Partie %d. " % n + "mot " * 90 for n in range(5)] + ["שלום לכולם", "Fin"]
    LOCAL.open("http://127.0.0.1:%d/sendtext" % port, json.dumps({"title": "L", "text": "\n---\n".join(parts)}).encode(),
               timeout=5).close()
    sections = lambda: browser.find_elements("css selector", "#scriptText section")  # noqa: E731
    wait_for("the long script", lambda: len(sections()) == 7)
    sections()[5].click()
    # The Hebrew section: whether it is in view, its direction, and its one line's gaps to its box's edges.
    probe = lambda: browser.execute_script("""var s = document.querySelectorAll('#scriptText section')[5];
        var r = s.getBoundingClientRect(), box = document.getElementById('scriptText').getBoundingClientRect();
        var range = document.createRange(); range.selectNodeContents(s); var line = range.getClientRects()[0];
        return [r.top >= box.top - 1 && r.bottom <= box.bottom + 1, getComputedStyle(s).direction,
                line.left - r.left, r.right - line.right];""")  # noqa: E731
    wait_for("the tapped section in view", lambda: probe()[0])
    for _ in range(3):
        browser.find_element("id", "larger").click()
    wait_for("the current section in view after A+", lambda: probe()[0], timeout=3)
    _, direction, left, right = probe()
    if direction != "rtl" or right > 20 or left < 100:
        raise AssertionError("the Hebrew section reads %s, %d px from the left, %d px from the right" % (
            direction, left, right))
    browser.refresh()
    page_status(browser, CONNECTED_HTTP)
    wait_for("the script and its current section after a reload", lambda: [
        s.get_attribute("aria-current") for s in sections()] == [None] * 5 + ["true", None])


def drive(env, start_app, port, receiver_binary, screenshot_dir, started, browsers):
    app = start_app()
    window = Window(env["DISPLAY"])
    wait_for("the window on the accessibility bus", window.nodes, timeout=30)
    window.find("IP active sur le port %d" % port, STATIC)
    address = window.find(r"\d+\.\d+\.\d+\.\d+|Aucune IP réseau").name
    window.xdotool("search", "--sync", "--name", "Quorvelantis Remote", "windowfocus", "--sync")
    button, tab = ("push button", "button"), ("page tab",)
    for name, roles in (("Télécommande", tab), ("Envoyer un texte", tab), ("Copier l'IP", button),
                        ("Rafraîchir", button), ("Télécharger sur l'App Store", ("link",)), ("Auto", STATIC),
                        ("IP", STATIC), ("En attente", STATIC), ("Aucune commande reçue", STATIC)):
        window.find(re.escape(name), roles)
    # Without a system D-Bus for Avahi here, the peer link may report that sharing is unavailable.
    window.find("En attente de l'iPhone|Partage indisponible", STATIC)

    # A new port, typed and applied: the HTTP status names it, and so does the field on the tab built anew.
    port = held_port()
    window.click("Port HTTP fallback", FIELD)
    window.xdotool("key", "ctrl+a", "BackSpace")
    window.xdotool("type", str(port))
    window.click("Appliquer", button)
    window.find("IP active sur le port %d" % port, STATIC)
    # A port another program listens on is refused: the page served from the port still serving keeps its
    # WebSocket, which the page below opens.
    taken = socket.socket()
    taken.bind(("0.0.0.0", 0))
    taken.listen()
    window.click("Port HTTP fallback", FIELD)
    window.xdotool("key", "ctrl+a", "BackSpace")
    window.xdotool("type", str(taken.getsockname()[1]))
    window.click("Appliquer", button)
    window.find(re.escape("Port %d indisponible — IP active sur le port %d" % (taken.getsockname()[1], port)), STATIC)
    # Without a phone, a text sent from the window waits for the phone's next HTTP request.
    window.click("Envoyer un texte", tab)
    window.find(re.escape("Titre (optionnel)"), FIELD)
    window.click("Script / Texte", FIELD)
    window.xdotool("type", "Bonjour le monde")
    window.find("3 mots", STATIC)
    window.click("Envoyer à l'iPhone", button)
    window.find("✅ Texte.*", STATIC)
    if "Bonjour le monde" not in get(port, "/pendingtext"):
        raise AssertionError("the pending text is not served")
    window.click("Télécommande", tab)
    field = window.find("Port HTTP fallback", FIELD)
    wait_for("the port field to show the applied port", lambda: field.queryText().getText(0, -1) == str(port))
    # A slide command over HTTP raises the window's count badge.
    get(port, "/next")
    window.find("1", STATIC)
    # So does one from a script's WebSocket client at its defaults, which names the endpoint as its Origin.
    import websocket
    peer_port = int(re.search(r'data-peer-port="(\d+)"', get(port, "/")).group(1))
    client = websocket.create_connection("ws://127.0.0.1:%d/" % peer_port, timeout=5)
    client.send("next")
    window.find("2", STATIC)
    client.close()

    # The QR overlay names the page's address, and closes when its text is clicked.
    window.click("Code QR")
    if address == "Aucune IP réseau":
        address, shown = "127.0.0.1", window.find("Aucune IP réseau : .*").name
    else:
        shown = window.find(re.escape("http://%s:%d/" % (address, port))).name
    window.click(shown)
    wait_for("the QR overlay to close", lambda: not any(n.name == "Code QR" and n.getRoleName() == "dialog"
                                                        for n in window.nodes()))

    # Typed under a name the app cannot vouch for (one rebound to it, for all it knows), the page is refused, and
    # the answer links to the address to open instead: that link leads to the remote.
    browser = chromium("http://presentation.example:%d/" % port, resolver_rules="MAP presentation.example " + address)
    browsers.append(browser)
    link = browser.find_element("tag name", "a")
    if link.text != "http://%s:%d/" % (address, port) or "Ouvrez plutôt" not in browser.page_source:
        raise AssertionError("a refused name is answered %r" % browser.find_element("tag name", "body").text)
    link.click()
    page_status(browser, CONNECTED_WS)
    window.find("iPhone connecté")
    # The app's own window holds the focus: the page and the window warn.
    wait_for("the page's warning", lambda: page_text(browser, "target").startswith(
        "⚠ Les touches iraient à Quorvelantis Remote : revenez à votre présentation (Alt+Tab)"))
    window.find(re.escape("⚠️ Touches → cette fenêtre : revenez à votre présentation (Alt+Tab)"))
    browser.save_screenshot(os.path.join(screenshot_dir, "page-keys-warning-390x844.png"))

    # A text typed in the window arrives in the page over the session.
    window.click("Envoyer un texte")
    window.click("Script / Texte", FIELD)
    window.xdotool("key", "ctrl+a", "BackSpace")
    window.xdotool("type", "Bonjour depuis le Mac")
    window.click("Envoyer à l'iPhone")
    window.find("✅ Texte envoyé à l'iPhone")
    wait_for("the script in the page",
             lambda: browser.find_element("id", "scriptText").text == "Bonjour depuis le Mac")
    browser.save_screenshot(os.path.join(screenshot_dir, "page-script-390x844.png"))

    # The receiver starts last, so it keeps the focus.
    receiver = subprocess.Popen([receiver_binary], env=env, stdout=subprocess.PIPE, text=True)
    started.append(receiver)
    if receiver.stdout.readline().strip() != "ready":
        raise AssertionError("the key receiver got no focus")
    # Its program, as the desktop's menus name it in the desktop's language; never its title.
    wait_for("the page to name the key receiver", lambda: page_text(browser, "target") == "Touches → Attrape-touches")
    if "confidential" in browser.find_element("tag name", "body").text.lower():
        raise AssertionError("the page shows the focused window's title")
    secure = browser.execute_script("return window.isSecureContext")
    tap(browser, "next", receiver, "Right")
    awake = wait_for("the screen held", lambda: browser.find_element("tag name", "body").get_attribute("data-awake"))
    if not secure and awake != "video":
        raise AssertionError("a page on a plain HTTP address holds the screen with %r" % awake)
    print("screen held by %s on %s" % (awake, "a secure context" if secure else "a plain HTTP address"))
    tap(browser, "prev", receiver, "Left")
    for key, sent in (("ARROW_RIGHT", "Right"), ("SPACE", "Right"), ("ARROW_LEFT", "Left")):
        tap(browser, key, receiver, sent)
    # B blacks the screen and brings it back: the button shows which the next press does.
    for button, sent, black in (("first", "Home", "false"), ("black", "B", "true"), ("black", "B", "false"),
                                ("last", "End", "false")):
        tap(browser, button, receiver, sent)
        if browser.find_element("id", "black").get_attribute("aria-pressed") != black:
            raise AssertionError("after %s, the black screen button is not aria-pressed=%s" % (button, black))
    if browser.find_element("id", "count").text != "9":
        raise AssertionError("the page counts %r commands, not 9" % browser.find_element("id", "count").text)

    # The session's packets dropped while the HTTP port still answers: the taps fail within a second, the page says
    # the connection is lost within 3 s, and comes back to the session by itself once the rule goes; the taps held
    # up meanwhile, delivered then, press no key.
    drop_packets_to(peer_port)
    dropped = time.monotonic()
    for _ in range(5):
        browser.find_element("id", "next").click()
    wait_for("the taps shown failed", lambda: page_text(browser, "tick") == "✕", timeout=1.5)
    page_status(browser, "Connexion perdue", timeout=dropped + 3 - time.monotonic())
    print("lost state shown %.2f s after the session's packets were dropped" % (time.monotonic() - dropped))
    browser.find_element("id", "next").click()
    browser.save_screenshot(os.path.join(screenshot_dir, "page-lost-390x844.png"))
    drop_packets_to(None)
    wait_for("the page back on the session", lambda: page_text(browser, "status") in (
        "Connexion rétablie (WebSocket)", CONNECTED_WS) and page_text(browser, "tick") == "✓", timeout=10)
    if select.select([receiver.stdout], [], [], 5)[0] or page_text(browser, "count") != "9":
        raise AssertionError("a tap made while the session was stalled was pressed or counted")

    # A+ twice, and the running talk timer, kept across a reload.
    seconds = lambda: sum(int(part) * 60 ** i for i, part in enumerate(reversed(page_text(browser, "elapsed").split(":"))))  # noqa: E731,E501
    wait_for("the talk timer to run", lambda: seconds() > 0)
    size = browser.execute_script("return parseInt(document.getElementById('scriptText').style.fontSize)")
    for _ in range(2):
        browser.find_element("id", "larger").click()
    before = seconds()
    browser.refresh()
    if browser.execute_script("return document.getElementById('scriptText').style.fontSize") != "%dpx" % (size + 4):
        raise AssertionError("the script's font size was not kept")
    if seconds() < before:
        raise AssertionError("the talk timer went back from %d s to %s after a reload" % (before, page_text(browser, "elapsed")))
    talk_timer_takes_a_long_press(browser, seconds)

    # Without the WebSocket, on a German phone, which gets English: commands over HTTP, and the pending text collected
    # by the page's polling, which the window sees.
    browsers.pop().quit()
    browser = chromium("http://%s:%d/" % (address, port), block_websocket=True, language="de-DE")
    browsers.append(browser)
    page_status(browser, CONNECTED_HTTP)
    window.find(re.escape("Page ouverte sur un téléphone (HTTP)"), STATIC)
    receiver_window = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True,
                                     check=True).stdout.strip()
    # Above the key receiver, which took the focus and the top of the stack.
    window.xdotool("search", "--onlyvisible", "--name", "^Quorvelantis Remote$", "windowraise")
    window.click("Télécommande", tab)
    if address != "127.0.0.1":  # the page's address and the line under it show once the desktop has one
        window.find("Ou ouvrez cette adresse dans le navigateur du téléphone", STATIC)
    window.xdotool("windowfocus", "--sync", receiver_window)
    # The window names the program as the page does.
    window.find(re.escape("Touches → Attrape-touches"), STATIC)
    tap(browser, "next", receiver, "Right")
    wait_for("English texts", lambda: page_text(browser, "target").startswith("Keys → ") and page_text(
        browser, "next") == "Next ▶" and page_text(browser, "elapsed") != "0:00"
        and page_text(browser, "black") == "Black screen")
    browser.save_screenshot(os.path.join(screenshot_dir, "page-remote-390x844.png"))
    # A script in sections follows the slides, and a tapped section becomes the current one.
    with LOCAL.open("http://127.0.0.1:%d/sendtext" % port, timeout=5,
                    data='{"title":"T","text":"Un\\n---\\nDeux\\n---\\nTrois"}'.encode()) as answer:
        if answer.read() != b"sent":
            raise AssertionError("a posted text is not answered 'sent'")
    current = lambda: browser.execute_script(  # noqa: E731
        "return [].map.call(document.querySelectorAll('#scriptText section'), function (s) {"
        " return s.textContent + (s.getAttribute('aria-current') === 'true' ? '*' : ''); }).join(' ')")
    wait_for("the polled script's sections", lambda: current() == "Un* Deux Trois")
    tap(browser, "next", receiver, "Right")
    wait_for("the next section", lambda: current() == "Un Deux* Trois")
    browser.save_screenshot(os.path.join(screenshot_dir, "page-script-390x844.png"))
    tap(browser, "prev", receiver, "Left")
    wait_for("the previous section", lambda: current() == "Un* Deux Trois")
    tap(browser, "last", receiver, "End")
    wait_for("the last section", lambda: current() == "Un Deux Trois*")
    tap(browser, "first", receiver, "Home")
    wait_for("the first section", lambda: current() == "Un* Deux Trois")
    browser.find_elements("css selector", "#scriptText section")[2].click()
    wait_for("the tapped section", lambda: current() == "Un Deux Trois*")
    long_script_keeps_its_place(browser, port)

    # The app stopped: the page says so within 3 s; started again, it is back.
    app.terminate()
    app.wait(timeout=10)
    stopped = time.monotonic()
    page_status(browser, LOST, timeout=3.5)
    print("lost state shown %.2f s after the app stopped" % (time.monotonic() - stopped))
    start_app("--hidden")
    page_status(browser, "Reconnected", timeout=20)
    shown = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quorvelantis Remote$"],
                           capture_output=True, text=True).stdout
    if shown.strip():
        raise AssertionError("the app started with --hidden maps its window")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(*sys.argv[1:4]))
    except AssertionError as failure:
        print("FAIL:", failure, file=sys.stderr)
        sys.exit(1)
