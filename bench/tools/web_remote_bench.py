#!/usr/bin/python3
"""The phone's remote page against the real app: what it weighs, how fast a tap becomes a key, what it costs.

Usage: web_remote_bench.py APP_BINARY [TAPS]   (bench/run runs it on the Release app)
Starts a private Xvfb, the app on a free port, a focused X client, and headless Chromium at 390×844. Prints markdown
rows: page bytes and time to first byte (200 loads on loopback); tap to key press at the X client, p50 and p99 over
TAPS taps, over the WebSocket and over the HTTP fallback (the WebSocket refused); the app's resident memory before
the page, after 200 page loads, with a bare WebSocket peer (a phone app) connected, with the browser connected too,
and after the taps.
Tap times are the page's own click timestamps, moved onto this process's clock by the best of 30 round trips.
"""

import os
import queue
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, XK
from Xlib import error as xerror
from Xlib import display as xdisplay


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def percentile(samples, fraction):
    ordered = sorted(samples)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def plain_peer(port):
    """A bare WebSocket peer, as a phone app would open it; kept open by the returned socket."""
    connection = socket.create_connection(("127.0.0.1", port))
    connection.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                       b"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
    if not connection.recv(4096).startswith(b"HTTP/1.1 101"):
        raise SystemExit("the peer link refused the handshake")
    return connection


def peer_latencies(phone, keys, taps):
    """The same key press from a bare WebSocket peer's "next": the app's share of a tap, without the browser."""
    samples = []
    for _ in range(taps):
        start = time.time()
        phone.sendall(b"\x81\x84\x00\x00\x00\x00next")  # a masked text frame, as clients must send
        arrived, _ = keys.presses.get(timeout=5)
        samples.append((arrived - start) * 1e6)
        time.sleep(0.02)
    return samples


def page_loads(port, count):
    """Body bytes of the page, and the microseconds from sending "GET / " to the answer's first byte."""
    request = b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
    times, body = [], b""
    for _ in range(count):
        with socket.create_connection(("127.0.0.1", port)) as connection:
            start = time.perf_counter()
            connection.sendall(request)
            answer = connection.recv(65536)
            times.append((time.perf_counter() - start) * 1e6)
            while True:
                more = connection.recv(65536)
                if not more:
                    break
                answer += more
        body = answer.split(b"\r\n\r\n", 1)[1]
    return body, times


class KeyClient(threading.Thread):
    """A focused X window; each key press's arrival time (time.time()) goes into a queue."""

    def __init__(self):
        super().__init__(daemon=True)
        self.display = xdisplay.Display()
        screen = self.display.screen()
        self.window = screen.root.create_window(0, 0, 200, 100, 0, screen.root_depth,
                                                event_mask=X.KeyPressMask | X.StructureNotifyMask)
        self.window.map()
        while self.display.next_event().type != X.MapNotify:
            pass
        self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()
        self.keys = {self.display.keysym_to_keycode(XK.string_to_keysym(name)): name for name in ("Right", "Left")}
        self.presses = queue.Queue()

    def run(self):
        try:
            while True:
                event = self.display.next_event()
                if event.type == X.KeyPress:
                    self.presses.put((time.time(), self.keys.get(event.detail)))
        except xerror.ConnectionClosedError:
            pass  # the bench's X server ended with the run


def chromium(url, block_websocket):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--no-proxy-server",
                 "--window-size=390,844", "--lang=fr-FR"):
        options.add_argument(flag)
    # The page speaks the phone's language; the statuses waited for below are its French ones.
    options.add_experimental_option("prefs", {"intl.accept_languages": "fr-FR"})
    options.binary_location = "/usr/bin/chromium"
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    # Each click's creation time and the time the page starts handling it, on the page's clock.
    source = ("addEventListener('click',function(e){(window.taps=window.taps||[]).push("
              "[performance.timeOrigin+e.timeStamp,performance.timeOrigin+performance.now()])},true);")
    if block_websocket:
        source += "var R=WebSocket;WebSocket=function(){return new R('ws://127.0.0.1:9/')};WebSocket.prototype=R.prototype;"
    browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": source})
    browser.get(url)
    return browser


def clock_offset_ms(browser):
    """The page's clock minus this process's, from the round trip that took least."""
    best = None
    for _ in range(30):
        before = time.time() * 1000
        page = browser.execute_script("return performance.timeOrigin + performance.now()")
        after = time.time() * 1000
        if best is None or after - before < best[0]:
            best = (after - before, page - (before + after) / 2)
    return best[1]


def tap_latencies(browser, keys, taps, expected_status):
    deadline = time.monotonic() + 15
    while not browser.find_element("id", "status").text.startswith(expected_status):
        if time.monotonic() > deadline:
            raise SystemExit("page never said " + expected_status)
        time.sleep(0.1)
    offset = clock_offset_ms(browser)
    box = browser.execute_script("var r=document.getElementById('next').getBoundingClientRect();"
                                 "return [r.left + r.width / 2, r.top + r.height / 2]")
    samples, handled = [], []
    for index in range(taps):
        for kind in ("mousePressed", "mouseReleased"):
            browser.execute_cdp_cmd("Input.dispatchMouseEvent", {"type": kind, "x": box[0], "y": box[1],
                                                                 "button": "left", "clickCount": 1})
        arrived, key = keys.presses.get(timeout=5)
        if key != "Right":
            raise SystemExit("tap %d gave %s" % (index, key))
        tapped, dispatched = browser.execute_script("return window.taps[window.taps.length - 1]")
        samples.append((arrived * 1000 - tapped + offset) * 1000)
        handled.append((arrived * 1000 - dispatched + offset) * 1000)
        time.sleep(0.02)
    return samples, handled


def main(app_binary, taps):
    base = tempfile.mkdtemp(prefix="quorvelantis-webbench-")
    port = free_port()
    os.makedirs(os.path.join(base, "Quorvelantis"))
    with open(os.path.join(base, "Quorvelantis", "QuorvelantisRemote.conf"), "w") as settings:
        settings.write("[General]\nmacRemotePort=%d\n" % port)
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
                            pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as reader:
        os.environ["DISPLAY"] = ":" + reader.readline().strip()
    env = dict(os.environ, XDG_CONFIG_HOME=base, XDG_SESSION_TYPE="x11", QT_QPA_PLATFORM="xcb")
    app = subprocess.Popen([app_binary], env=env)
    browsers = []
    try:
        time.sleep(3)  # mapped and settled
        rows = []
        before = rss_kib(app.pid)
        page, times = page_loads(port, 200)
        size = len(page)
        after_loads = rss_kib(app.pid)
        rows.append(("Page served (bytes of body)", "%d" % size, "< 30 KB"))
        rows.append(("Page time to first byte p50 / p99 (µs)",
                     "%.0f / %.0f" % (percentile(times, 0.5), percentile(times, 0.99)), "-"))
        peer_port = int(page.split(b'data-peer-port="')[1].split(b'"')[0])
        # A phone's session first: the window then shows a connection, whatever connects next.
        phone = plain_peer(peer_port)
        time.sleep(1)
        with_phone = rss_kib(app.pid)
        keys = KeyClient()
        keys.start()
        url = "http://127.0.0.1:%d/" % port
        browsers.append(chromium(url, block_websocket=False))
        time.sleep(1)
        connected = rss_kib(app.pid)
        samples = peer_latencies(phone, keys, taps)
        rows.append(("Bare WebSocket peer's next to key at the X client, p50 / p99 (ms)",
                     "%.2f / %.2f" % (percentile(samples, 0.5) / 1000, percentile(samples, 0.99) / 1000), "-"))
        for way, blocked, status in (("WebSocket", False, "Connecté (WebSocket)"),
                                     ("HTTP fallback", True, "Connecté (HTTP, secours)")):
            if blocked:
                browsers.append(chromium(url, block_websocket=True))
            samples, handled = tap_latencies(browsers[-1], keys, taps, status)
            for what, values, target in (("Tap", samples, "p99 < 5 ms" if not blocked else "-"),
                                         ("Page's click handler", handled, "-")):
                rows.append(("%s to key at an X client over the %s, p50 / p99 (ms)" % (what, way),
                             "%.2f / %.2f" % (percentile(values, 0.5) / 1000, percentile(values, 0.99) / 1000), target))
            if not blocked:
                after_taps = rss_kib(app.pid)
        rows.append(("App RSS before the page (KiB)", "%d" % before, "-"))
        rows.append(("+ after 200 page loads (KiB)", "%+d" % (after_loads - before), "-"))
        rows.append(("+ with a bare WebSocket peer connected, as a phone app (KiB)", "%+d" % (with_phone - before), "-"))
        rows.append(("+ with the browser's page connected too (KiB)", "%+d" % (connected - before), "-"))
        rows.append(("What the page and its browser add: the line above minus the phone's (KiB)",
                     "%+d" % (connected - with_phone), "< 1024"))
        rows.append(("+ after %d taps over it (KiB)" % taps, "%+d" % (after_taps - before), "-"))
        print("| Measure | Value | Target |\n|---|---|---|")
        for row in rows:
            print("| %s | %s | %s |" % row)
    finally:
        if "phone" in locals():
            phone.close()
        for browser in browsers:
            browser.quit()
        app.terminate()
        app.wait(timeout=10)
        xvfb.terminate()
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 200)
