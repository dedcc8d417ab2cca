#!/usr/bin/python3
"""The remote page in Safari's engine (WebKitGTK's MiniBrowser, driven by WebKitWebDriver) at phone size, on an X
display of its own: over its WebSocket a tap counts once its key reached a focused X client on the app's display, and a
finger on the pointer pad puts the app's dot at the same place there.
Usage: unshare --net --mount --pid --fork --kill-child --mount-proc webkit_page.py APP_BINARY KEY_RECEIVER_BINARY (its
own loopback, X sockets and processes)."""

import os
import subprocess
import sys
import tempfile

import slideshow_keys
import wev_taps

PORT = 4777


def webkit(url):
    from selenium import webdriver
    from selenium.webdriver.webkitgtk.options import Options
    options = Options()
    options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
    options.add_argument("--automation")
    browser = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    browser.set_window_size(390, 844)
    browser.get(url)
    return browser


def key_at(receiver, key):
    line = wev_taps.wait_for("a key at the X client", receiver.stdout.readline, timeout=5)
    receiver.stdout.readline()  # its release
    return [] if line.strip() == "press " + key else ["the X client got %r, not press %s" % (line, key)]


def drive(browser, receiver, screen):
    from selenium.webdriver.common.action_chains import ActionChains
    text = lambda element_id: browser.find_element("id", element_id).text  # noqa: E731
    wev_taps.wait_for("the page to connect over its WebSocket", lambda: "(WebSocket)" in text("status"), timeout=20)
    browser.find_element("id", "next").click()
    failures = key_at(receiver, "Right")
    wev_taps.wait_for("the page to count the tap once pressed", lambda: text("count") == "1")
    browser.find_element("id", "pointer").click()
    pad = browser.find_element("id", "pad")
    ActionChains(browser).move_to_element_with_offset(pad, -pad.size["width"] // 4, 0).click_and_hold().perform()
    failures += screen.wait_colour("the dot under the finger", slideshow_keys.DOT, x=0.25, y=0.5)
    ActionChains(browser).release().perform()
    wev_taps.wait_for("the dot to go once the finger lifted", lambda: max(
        abs(a - b) for a, b in zip(screen.colour(0.25, 0.5), slideshow_keys.DOT)) >= 40, timeout=3)
    # The dot took no focus: the next tap still reaches the client.
    browser.find_element("id", "prev").click()
    return failures + key_at(receiver, "Left")


def check(app_binary, receiver_binary, workdir):
    processes = wev_taps.Processes(workdir)
    receiver = browser = None
    try:
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/tmp/.X11-unix"], check=True)
        keys_display, browser_display = wev_taps.start_xvfb(processes, "keys"), wev_taps.start_xvfb(processes, "web")
        env = dict(os.environ, DISPLAY=keys_display, HOME=workdir, XDG_CONFIG_HOME=os.path.join(workdir, "config"),
                   XDG_RUNTIME_DIR=os.path.join(workdir, "run"), XDG_SESSION_TYPE="x11", QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        screen = wev_taps.wait_for("the app's X display", lambda: slideshow_keys.Screen(keys_display))
        wev_taps.start_app(processes, app_binary, env, PORT)
        receiver = subprocess.Popen([receiver_binary], env=env, stdout=subprocess.PIPE, text=True)
        if receiver.stdout.readline().strip() != "ready":
            return ["the key receiver got no focus"]
        # The browser's own window must not take the keys the app posts.
        os.environ.update(DISPLAY=browser_display, WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS="1")
        browser = webkit("http://127.0.0.1:%d/" % PORT)
        return drive(browser, receiver, screen)
    finally:
        if browser:
            browser.quit()
        if receiver:
            receiver.terminate()
        processes.stop()


if __name__ == "__main__":
    with tempfile.TemporaryDirectory(prefix="quorvelantis-webkit-") as folder:
        seen = check(sys.argv[1], sys.argv[2], folder)
    for failure in seen:
        print("FAIL:", failure, file=sys.stderr)
    sys.exit(1 if seen else 0)
