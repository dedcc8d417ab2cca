#!/usr/bin/python3
"""Finger move to dot drawn: a WebSocket client moves the pointer as the remote page does, and each move is timed
until the X screen shows the dot's red at the new place.

pointer_latency.py HTTP_PORT APP_PID MOVES, with $DISPLAY the app's X server and the app serving HTTP on HTTP_PORT.
Prints p50 and p99 in ms over MOVES, and the app's CPU in the 10 s after the finger lifted (% of a core).
"""
import json
import os
import re
import sys
import time
import urllib.request

import websocket
from Xlib import X, display

DOT = (229, 37, 33)


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main(port, pid, moves):
    page = urllib.request.urlopen("http://127.0.0.1:%d/" % port, timeout=5).read().decode()
    peer_port = int(re.search(r'data-peer-port="(\d+)"', page).group(1))
    session = websocket.create_connection("ws://127.0.0.1:%d/" % peer_port, timeout=5)
    root = display.Display().screen().root
    geometry = root.get_geometry()

    def red_at(x, y):
        blue, green, red = root.get_image(int(geometry.width * x), int(geometry.height * y), 1, 1, X.ZPixmap,
                                          0xFFFFFFFF).data[:3]
        return max(abs(a - b) for a, b in zip((red, green, blue), DOT)) < 40

    latencies = []
    for move in range(moves):
        # Places far enough apart that the dot at one never covers the next.
        x, y = 0.1 + 0.8 * ((move * 7) % 10) / 10, 0.1 + 0.8 * ((move * 3) % 10) / 10
        sent = time.monotonic()
        session.send(json.dumps({"pointerMove": {"x": x, "y": y}}))
        while not red_at(x, y):
            if time.monotonic() - sent > 2:
                sys.exit("the dot never showed at %.2f,%.2f" % (x, y))
        latencies.append((time.monotonic() - sent) * 1000)
        time.sleep(0.016)
    session.send(json.dumps({"pointerLift": {}}))
    time.sleep(1)
    before = cpu_seconds(pid)
    time.sleep(10)
    idle = (cpu_seconds(pid) - before) / 10 * 100
    session.close()
    print("p50=%.1f p99=%.1f idle_cpu=%.3f" % (percentile(latencies, 0.5), percentile(latencies, 0.99), idle))


if __name__ == "__main__":
    main(int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]))
