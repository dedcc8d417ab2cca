#!/usr/bin/python3
"""How long a slideshow takes to show the next slide once its key is pressed: what the screen's picture must wait
before it is taken. Evince's slideshow of solid colours on a private Xvfb with openbox; Right and Left pressed through
XTest in turn, each timed until the middle of the screen shows the other colour (read every millisecond).
Usage: unshare --net --mount --pid --fork --kill-child --mount-proc slide_redraw.py [COUNT]; prints p50, p99, max in ms."""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
from slideshow_keys import SLIDES, Screen, pdf  # noqa: E402


def main(count):
    subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/tmp/.X11-unix"], check=True)
    started = []
    with tempfile.TemporaryDirectory(prefix="quorvelantis-redraw-") as folder:
        try:
            read, write = os.pipe()
            started.append(subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x900x24",
                                             "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL))
            os.environ["DISPLAY"] = ":" + os.read(read, 16).decode().strip()
            started.append(subprocess.Popen(["openbox", "--sm-disable"], stderr=subprocess.DEVNULL))
            pdf(os.path.join(folder, "slides.pdf"), SLIDES[:2])
            started.append(subprocess.Popen(["dbus-run-session", "--", "evince", "--presentation",
                                             os.path.join(folder, "slides.pdf")], stderr=subprocess.DEVNULL))
            from Xlib import X, XK
            from Xlib.ext import xtest
            screen = Screen()
            deadline = time.monotonic() + 30
            while screen.colour() != SLIDES[0] and time.monotonic() < deadline:
                time.sleep(0.1)
            time.sleep(1)
            samples = []
            for index in range(count):
                key = screen.display.keysym_to_keycode(XK.string_to_keysym("Right" if index % 2 == 0 else "Left"))
                before = screen.colour()
                start = time.monotonic()
                xtest.fake_input(screen.display, X.KeyPress, key)
                xtest.fake_input(screen.display, X.KeyRelease, key)
                screen.display.flush()
                while screen.colour() == before and time.monotonic() - start < 2:
                    time.sleep(0.001)
                samples.append((time.monotonic() - start) * 1000)
                time.sleep(0.2)
            samples.sort()
            print("redraw p50=%.1f p99=%.1f max=%.1f n=%d" % (
                samples[len(samples) // 2], samples[min(len(samples) - 1, round(0.99 * (len(samples) - 1)))],
                samples[-1], len(samples)))
        finally:
            for process in reversed(started):
                process.terminate()


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 100)
