#!/usr/bin/python3
"""Impress's and Evince's slideshows of three solid colours, driven through the app's HTTP routes, go to the next,
last and first slide, black on B and back on B, judged on the screen's pixels; a finger on a real Chromium page's
pointer pad puts the app's dot at the same place above Evince's slideshow, where a click still reaches the slideshow.
Usage: unshare --net --mount --pid --fork --kill-child --mount-proc slideshow_keys.py APP_BINARY (its own loopback,
X sockets and processes)."""

import os
import signal
import subprocess
import sys
import tempfile
import time

import wev_taps

PORT = 4777
SLIDES = [(220, 30, 30), (30, 170, 60), (30, 60, 200)]
DOT = (229, 37, 33)


def pdf(path, colours):
    """A PDF with one page of each solid colour."""
    objects = ["<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [%s] /Count %d >>" % (
                   " ".join("%d 0 R" % (3 + 2 * i) for i in range(len(colours))), len(colours))]
    for i, colour in enumerate(colours):
        fill = "%.3f %.3f %.3f rg 0 0 400 300 re f" % tuple(c / 255 for c in colour)
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] /Contents %d 0 R >>" % (4 + 2 * i))
        objects.append("<< /Length %d >>\nstream\n%s\nendstream" % (len(fill), fill))
    data, offsets = b"%PDF-1.4\n", []
    for number, body in enumerate(objects, 1):
        offsets.append(len(data))
        data += b"%d 0 obj\n%s\nendobj\n" % (number, body.encode())
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1) + b"".join(
        b"%010d 00000 n \n" % offset for offset in offsets)
    data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as out:
        out.write(data)


def presentation(path, colours):
    """A flat OpenDocument presentation with one slide of each solid background colour."""
    styles = "".join(
        '<style:style style:name="s%d" style:family="drawing-page"><style:drawing-page-properties draw:fill="solid"'
        ' draw:fill-color="#%02x%02x%02x" presentation:background-visible="true"/></style:style>' % (i, *colour)
        for i, colour in enumerate(colours))
    pages = "".join('<draw:page draw:name="p%d" draw:style-name="s%d" draw:master-page-name="M"/>' % (i, i)
                    for i in range(len(colours)))
    namespaces = "".join(' xmlns:%s="urn:oasis:names:tc:opendocument:xmlns:%s:1.0"' % pair for pair in (
        ("office", "office"), ("style", "style"), ("draw", "drawing"), ("presentation", "presentation"),
        ("fo", "xsl-fo-compatible")))
    with open(path, "w") as out:
        out.write(
            '<?xml version="1.0" encoding="UTF-8"?>\n<office:document%s office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">'
            '<office:automatic-styles><style:page-layout style:name="L"><style:page-layout-properties'
            ' fo:page-width="28cm" fo:page-height="21cm"/></style:page-layout>%s</office:automatic-styles>'
            '<office:master-styles><style:master-page style:name="M" style:page-layout-name="L"/>'
            '</office:master-styles><office:body><office:presentation>%s</office:presentation></office:body>'
            '</office:document>\n' % (namespaces, styles, pages))


class Screen:
    """The colour at the middle of the X screen, where every slideshow shows its slide."""

    def __init__(self, name=None):
        from Xlib import X, display
        self.display, self.zpixmap = display.Display(name), X.ZPixmap
        self.root = self.display.screen().root

    def colour(self, x=0.5, y=0.5):
        geometry = self.root.get_geometry()
        image = self.root.get_image(int(geometry.width * x), int(geometry.height * y), 1, 1, self.zpixmap, 0xFFFFFFFF)
        blue, green, red = image.data[:3]
        return red, green, blue

    def slideshow_is_active(self):
        """The window manager's active window covers the whole screen: a program's editing window may show the first
        slide, and take the first key, before its slideshow is up."""
        from Xlib import X, error
        active = self.root.get_full_property(self.display.intern_atom("_NET_ACTIVE_WINDOW"), X.AnyPropertyType)
        if not active or not active.value[0]:
            return False
        try:
            window = self.display.create_resource_object("window", active.value[0]).get_geometry()
        except error.BadDrawable:  # closed meanwhile
            return False
        screen = self.root.get_geometry()
        return (window.width, window.height) == (screen.width, screen.height)

    def wait_colour(self, what, colour, timeout=10.0, x=0.5, y=0.5):
        try:
            wev_taps.wait_for(what, lambda: max(abs(a - b) for a, b in zip(self.colour(x, y), colour)) < 40, timeout)
            return []
        except AssertionError as error:
            return ["%s: the screen shows %s, not %s" % (error, self.colour(x, y), colour)]

    def click(self, x, y):
        from Xlib import X
        from Xlib.ext import xtest
        geometry = self.root.get_geometry()
        xtest.fake_input(self.display, X.MotionNotify, x=int(geometry.width * x), y=int(geometry.height * y))
        for event in (X.ButtonPress, X.ButtonRelease):
            xtest.fake_input(self.display, event, 1)
        self.display.sync()


def drive(name, screen):
    """The failures seen in one program's slideshow, started on the first slide."""
    wev_taps.wait_for(name + "'s slideshow to be the active window", screen.slideshow_is_active, timeout=90)
    failures = screen.wait_colour(name + " to show its first slide", SLIDES[0], timeout=30)
    if failures:
        return failures
    # Impress opens its show with the first slide shown a moment before it takes keys.
    time.sleep(3)
    for path, colour, what in (("/next", SLIDES[1], "the second slide"), ("/last", SLIDES[2], "the last slide"),
                               ("/first", SLIDES[0], "the first slide"), ("/black", (0, 0, 0), "a black screen"),
                               ("/black", SLIDES[0], "the first slide again")):
        # A loaded machine draws a slide before the show has finished changing to it, and a key in that moment can
        # be taken as the end of the change: a presenter's next press never comes that fast.
        time.sleep(1)
        if not screen.slideshow_is_active():
            return failures + ["%s: before POST %s the slideshow is no longer the active window" % (name, path)]
        with wev_taps.LOCAL.open("http://127.0.0.1:%d%s" % (PORT, path), data=b"", timeout=5) as reply:
            answer = reply.read().decode()
        if answer != "ok":
            failures.append("%s: POST %s was answered %r" % (name, path, answer))
        failures += screen.wait_colour("%s to show %s after POST %s" % (name, what, path), colour)
    return failures


def point(screen):
    """The failures seen with a finger held a quarter across and half down the pad, over Evince's second slide."""
    from selenium.webdriver.common.action_chains import ActionChains
    import web_remote
    with wev_taps.LOCAL.open("http://127.0.0.1:%d/next" % PORT, data=b"", timeout=5):
        pass
    failures = screen.wait_colour("Evince to show its second slide", SLIDES[1])
    browser = web_remote.chromium("http://127.0.0.1:%d/" % PORT)
    try:
        web_remote.page_status(browser, web_remote.CONNECTED_WS, timeout=20)
        browser.find_element("id", "pointer").click()
        pad = browser.find_element("id", "pad")
        finger = ActionChains(browser)
        finger.move_to_element_with_offset(pad, -pad.size["width"] // 4, 0).click_and_hold().perform()
        failures += screen.wait_colour("the dot under the finger", DOT, x=0.25, y=0.5)
        screen.click(0.25, 0.5)
        failures += screen.wait_colour("Evince to take the click on the dot as its next slide", SLIDES[2])
        failures += screen.wait_colour("the dot to stay above the slideshow", DOT, timeout=1, x=0.25, y=0.5)
        ActionChains(browser).release().perform()
        failures += screen.wait_colour("the dot to go once the finger lifted", SLIDES[2], timeout=3, x=0.25, y=0.5)
    finally:
        browser.quit()
    return failures


def check(app_binary, workdir):
    processes = wev_taps.Processes(workdir)
    failures = []
    try:
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/tmp/.X11-unix"], check=True)
        display = wev_taps.start_xvfb(processes)
        env = dict(os.environ, DISPLAY=display, HOME=workdir, XDG_CONFIG_HOME=os.path.join(workdir, "config"),
                   XDG_RUNTIME_DIR=os.path.join(workdir, "run"), XDG_SESSION_TYPE="x11", NO_AT_BRIDGE="1",
                   GSETTINGS_BACKEND="memory", QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        os.environ["DISPLAY"] = display
        # A window manager gives the slideshow the whole screen and the keyboard focus, as on a desktop.
        processes.start("openbox", ["openbox", "--sm-disable"], env)
        wev_taps.start_app(processes, app_binary, env, PORT)
        screen = wev_taps.wait_for("the X display", Screen)

        presentation(os.path.join(workdir, "slides.fodp"), SLIDES)
        # Its own X11 toolkit repaints the slideshow only on some events under Xvfb; the GTK one as on a desktop.
        office = "-env:UserInstallation=file://" + os.path.join(workdir, "office")
        impress = processes.start("impress", ["dbus-run-session", "--", "soffice", office, "--norestore", "--nologo",
                                              "--show", os.path.join(workdir, "slides.fodp")],
                                  dict(env, SAL_USE_VCLPLUGIN="gtk3"))
        failures += drive("Impress", screen)
        os.killpg(impress.pid, signal.SIGTERM)
        wev_taps.wait_for("Impress's slideshow to close", lambda: not screen.slideshow_is_active())

        pdf(os.path.join(workdir, "slides.pdf"), SLIDES)
        processes.start("evince", ["dbus-run-session", "--", "evince", "--presentation",
                                   os.path.join(workdir, "slides.pdf")], env)
        failures += drive("Evince", screen)
        failures += point(screen)
    finally:
        processes.stop()
    return failures


if __name__ == "__main__":
    with tempfile.TemporaryDirectory(prefix="quorvelantis-slideshow-") as folder:
        seen = check(sys.argv[1], folder)
    for failure in seen:
        print("FAIL:", failure, file=sys.stderr)
    sys.exit(1 if seen else 0)
