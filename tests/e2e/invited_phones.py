#!/usr/bin/python3
"""Only invited phones, with the real app driven through AT-SPI and real Chromium on a LAN address (not a secure
context, as on a phone): the switch turned on, the code read from the window's screen, a reload kept in, the spent
code refused to a second browser, a phone sent away, "Oublier tous les téléphones" refusing everyone, and the page
saying so rather than retrying; screenshots of the window's list and refused line in French and English.
Usage: end-leftovers.py unshare --net -- dbus-run-session -- invited_phones.py APP_BINARY SCREENSHOT_DIR, as root on
the X display of $DISPLAY."""

import os
import re
import struct
import subprocess
import sys
import time
import urllib.error
import zlib

from web_remote import (STATIC, Window, app_environment, chromium, end_run, open_display, page_status,
                        start_accessibility_bus)
from wev_taps import LOCAL, wait_for

LAN = "192.168.50.10"
NOT_INVITED = "Téléphone non invité : scannez le code"


def lan():
    """A veth pair stands in for the LAN card, so the page is opened on a LAN address, as on a phone."""
    for command in ("ip link set lo up", "ip link add eth0 type veth peer name eth0peer",
                    "ip addr add %s/24 dev eth0" % LAN, "ip link set eth0peer up", "ip link set eth0 up",
                    "ip route add default via 192.168.50.1 dev eth0"):
        subprocess.run(command.split(), check=True)


def screen_rgb(display_name, size=None):
    """The screen, or its top left corner of the given size: width, height and its RGB bytes."""
    from Xlib import X, display
    screen = display.Display(display_name).screen()
    width, height = size or (screen.width_in_pixels, screen.height_in_pixels)
    pixels = screen.root.get_image(0, 0, width, height, X.ZPixmap, 0xffffffff).data
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
    return width, height, bytes(rgb)


def scanned_code(display_name, path):
    """The QR code on the screen, as a phone's camera reads it."""
    width, height, rgb = screen_rgb(display_name)
    with open(path, "wb") as ppm:
        ppm.write(b"P6 %d %d 255\n" % (width, height) + rgb)
    return subprocess.run(["zbarimg", "-q", "--raw", path], capture_output=True, text=True).stdout.strip()


def window_shot(display_name, path):
    """The window, which maps at the top left corner without a window manager, as a PNG file."""
    width, height, rgb = screen_rgb(display_name, (620, 680))
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(  # noqa: E731
        ">I", zlib.crc32(kind + data))
    with open(path, "wb") as png:
        png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def main(app_binary, screenshot_dir):
    lan()
    env, port = app_environment("quorvelantis-invited-")
    started, browsers = [], []
    display = wait_for("the X display", open_display)
    try:
        start_accessibility_bus(env, started)
        started.append(subprocess.Popen([app_binary], env=env))
        drive(env, port, screenshot_dir, browsers)
        # Remembered across a restart, and spoken in English.
        started.pop().terminate()
        started.append(subprocess.Popen([app_binary], env=dict(env, LANG="en_US.UTF-8", LANGUAGE="en")))
        window = Window(env["DISPLAY"])
        switch = window.find("Only invited phones")
        if not switch.getState().contains(window.atspi.STATE_CHECKED):
            raise AssertionError("the switch was not remembered")
        # A request without a key, as the phone app sends them.
        try:
            LOCAL.open("http://%s:%d/next" % (LAN, port), timeout=5)
            raise AssertionError("a request without a key moved a slide")
        except urllib.error.HTTPError as refused:
            if refused.code != 403:
                raise AssertionError("a request without a key was answered %d" % refused.code)
        window.find(re.escape("1 request refused from %s: device not invited" % LAN), STATIC)
        window_shot(env["DISPLAY"], os.path.join(screenshot_dir, "window-invited-phones-english.png"))
        return 0
    finally:
        end_run(env, display, started, browsers)


def still_refused(browser):
    page_status(browser, NOT_INVITED)
    time.sleep(3)  # the page retries every 2 s when a connection is lost: a refused one must not
    page_status(browser, NOT_INVITED, timeout=0.5)


def scan(window, env, base):
    window.click("Code QR")
    url = wait_for("a code on the screen", lambda: scanned_code(env["DISPLAY"], os.path.join(base, "screen.ppm")))
    window.xdotool("key", "Escape")
    if not re.fullmatch(r"http://%s:\d+/#i=[0-9a-f]{32}" % re.escape(LAN), url):
        raise AssertionError("the code carries %r" % url)
    return url


def drive(env, port, screenshot_dir, browsers):
    window = Window(env["DISPLAY"])
    wait_for("the window on the accessibility bus", window.nodes, timeout=30)
    window.find("IP active sur le port %d" % port, STATIC)
    window.xdotool("search", "--sync", "--name", "Quorvelantis Remote", "windowfocus", "--sync")
    window.click("Seulement les téléphones invités")
    window.find(re.escape("Aucun téléphone invité : ouvrez le code QR et scannez-le avec le téléphone."), STATIC)

    # A scanned code lets the page in; the address bar no longer shows the invitation, and a reload keeps it in.
    code = scan(window, env, env["HOME"])
    first = chromium(code)
    browsers.append(first)
    page_status(first, "Connecté (WebSocket)")
    if first.execute_script("return location.hash") or not first.execute_script(
            "return localStorage.getItem('quorvelantis.key')"):
        raise AssertionError("the invitation stayed in the address, or no key was kept")
    window.find(re.escape("Chrome · Linux — %s" % LAN), STATIC)
    window.find("connecté · invité le .*", STATIC)
    first.refresh()
    page_status(first, "Connecté (WebSocket)")
    # What the audience sees, shown to this phone let in by its key: the screen as a picture 480 px wide at most.
    wait_for("the screen's picture on the page", lambda: first.execute_script(
        "var picture = document.getElementById('picture'); return document.body.classList.contains('picture')"
        " && picture.naturalWidth > 0 && picture.naturalWidth <= 480"))
    first.save_screenshot(os.path.join(screenshot_dir, "page-picture-390x844.png"))

    # The same code, spent, lets no second browser in; the window counts the refusal.
    second = chromium(code)
    browsers.append(second)
    still_refused(second)
    window.find(r"\d+ demandes? refusées? de %s : appareil non invité" % re.escape(LAN), STATIC)
    window_shot(env["DISPLAY"], os.path.join(screenshot_dir, "window-invited-phones.png"))
    second.save_screenshot(os.path.join(screenshot_dir, "page-not-invited-390x844.png"))

    # A phone sent away is refused, over the WebSocket it had open and over HTTP.
    window.click("Déconnecter")
    still_refused(first)

    # A fresh code lets the second browser in; "Oublier" refuses everyone.
    second.get(scan(window, env, env["HOME"]))
    page_status(second, "Connecté (WebSocket)")
    window.click("Oublier tous les téléphones")
    still_refused(second)


if __name__ == "__main__":
    try:
        sys.exit(main(*sys.argv[1:3]))
    except AssertionError as failure:
        print("FAIL:", failure, file=sys.stderr)
        sys.exit(1)
