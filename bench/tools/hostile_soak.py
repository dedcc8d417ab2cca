#!/usr/bin/env python3
"""One bounded soak per attack class against the real app, run inside a private network namespace.

hostile_soak.py APP MODE SECONDS (as root in `unshare -n`, which bench/run arranges). Modes:
  slowloris4  2,000 reconnecting slow heads on the HTTP port, each from its own 127.0.0.0/8 address
  slowloris6  the same from 2,000 addresses of one IPv6 /64
  slowloris16 2,000 reconnecting heads, one per address spread over 127.1.0.0/16, each a byte every 3 s
  handshakes  600 connections to the peer port sending an endless 777 KB head, reconnecting when cut
  readless    300 WebSocket sessions that never read, and a 60 KB POST /sendtext every 0.2 s
  zombies     20 WebSocket sessions that never read nor answer pings, sending a junk frame every 3 s
  emfile      the app limited to 64 descriptors, 100 idle connections on each port, held, then released
Meanwhile a phone sends GET /next, one request at a time: half whole, half in two pieces 200 ms apart.
Prints one line: the app's RSS idle, at its peak and 5 s after the attackers leave; the phone's /next latency
p50/p99 for whole requests; the share of requests answered (within 1 s for those sent in two pieces).
"""
import ipaddress
import os
import selectors
import socket
import subprocess
import sys
import tempfile
import threading
import time

APP, MODE, SECONDS = sys.argv[1], sys.argv[2], float(sys.argv[3])
HTTP_PORT, PEER_PORT = 4777, 4778
HANDSHAKE = (b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
             b"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def frame(opcode, payload):  # masked with a zero key, as a client must
    return bytes([0x80 | opcode, 0x80 | len(payload)]) + b"\0\0\0\0" + payload


def connect(port, source=None, family=socket.AF_INET, blocking=True):
    sock = socket.socket(family, socket.SOCK_STREAM)
    if source:
        if family == socket.AF_INET6:  # IPV6_FREEBIND: the /64 is routed to lo, its addresses not assigned
            sock.setsockopt(socket.IPPROTO_IPV6, 78, 1)
        sock.bind((source, 0))
    sock.setblocking(blocking)
    target = "::1" if family == socket.AF_INET6 and not source else ("127.0.0.1" if family == socket.AF_INET else "fd00::1")
    try:
        sock.connect((target, port))
    except BlockingIOError:
        pass
    return sock


def session(port=PEER_PORT):
    sock = connect(port)
    sock.sendall(HANDSHAKE)
    answer = b""
    while b"\r\n\r\n" not in answer:
        chunk = sock.recv(4096)
        if not chunk:
            raise ConnectionError("refused")
        answer += chunk
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    return sock


class Attack:
    def __init__(self):
        self.stop = threading.Event()
        self.held = []

    def run(self):
        pass

    def leave(self):
        self.stop.set()
        for sock in self.held:
            sock.close()


class Slowloris(Attack):
    """Heads that never end, one connection per source, reconnecting whenever the app cuts one."""

    def __init__(self, spread, interval=2):
        super().__init__()
        self.interval = interval
        if spread == "/64":
            subprocess.run(["ip", "-6", "route", "add", "local", "fd00::/64", "dev", "lo"], check=True)
            self.sources = [(str(ipaddress.IPv6Address("fd00::") + 0x1000 + i), socket.AF_INET6) for i in range(2000)]
        elif spread == "/16":
            self.sources = [(str(ipaddress.IPv4Address("127.1.0.1") + 32 * i), socket.AF_INET) for i in range(2000)]
        else:
            self.sources = [(f"127.{1 + i // 250}.{i % 250}.{1 + i % 7}", socket.AF_INET) for i in range(2000)]

    def run(self):
        selector = selectors.DefaultSelector()
        for source in self.sources:
            self.open(selector, source)
        next_byte = time.monotonic() + self.interval
        while not self.stop.is_set():
            for key, _ in selector.select(0.2):
                try:
                    gone = not key.fileobj.recv(4096)
                except OSError:
                    gone = True
                if gone:
                    selector.unregister(key.fileobj)
                    key.fileobj.close()
                    self.open(selector, key.data)
            if time.monotonic() >= next_byte:  # a byte now and then, as a slow client would
                next_byte += self.interval
                for key in list(selector.get_map().values()):
                    try:
                        key.fileobj.send(b"X")
                    except OSError:
                        pass
        for key in list(selector.get_map().values()):
            key.fileobj.close()

    def open(self, selector, source):
        sock = connect(HTTP_PORT, source[0], source[1], blocking=False)
        time.sleep(0.0005)
        try:
            sock.send(b"GET / HTTP/1.1\r\nX-")
        except OSError:
            pass
        selector.register(sock, selectors.EVENT_READ, source)


class Handshakes(Attack):
    def run(self):
        selector = selectors.DefaultSelector()
        for _ in range(600):
            self.open(selector)
        piece = b"X-" + b"a" * 8190 + b"\r\n"
        while not self.stop.is_set():
            for key, _ in selector.select(0.05):
                selector.unregister(key.fileobj)
                key.fileobj.close()
                self.open(selector)
            for key in list(selector.get_map().values()):
                try:
                    if key.data[0] < 777 * 1024:
                        key.data[0] += key.fileobj.send(piece)
                except OSError:
                    pass
        for key in list(selector.get_map().values()):
            key.fileobj.close()

    def open(self, selector):
        sock = connect(PEER_PORT, blocking=False)
        time.sleep(0.002)
        try:
            sock.send(b"GET / HTTP/1.1\r\n")
        except OSError:
            pass
        selector.register(sock, selectors.EVENT_READ, [0])


class Readless(Attack):
    def run(self):
        for _ in range(300):
            try:
                self.held.append(session())
            except OSError:
                pass
        body = b'{"title":"t","text":"' + b"x" * 60000 + b'"}'
        request = (b"POST /sendtext HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: %d\r\n\r\n"
                   % len(body)) + body
        while not self.stop.wait(0.2):
            with connect(HTTP_PORT) as sock:
                sock.sendall(request)
                sock.settimeout(2)
                try:
                    sock.recv(4096)
                except OSError:
                    pass


class Zombies(Attack):
    def run(self):
        for _ in range(20):
            try:
                self.held.append(session())
            except OSError:
                pass
        while not self.stop.wait(3):
            for sock in self.held:
                try:
                    sock.send(frame(0x1, b"junk"))
                except OSError:
                    pass


class Emfile(Attack):
    def run(self):
        for port in (HTTP_PORT, PEER_PORT):
            for _ in range(100):
                self.held.append(connect(port))


def phone(stop, whole, split):
    while not stop.is_set():
        for pieces in ((b"GET /next HTTP/1.1\r\n\r\n",), (b"GET /next HTTP/1.1\r\n", b"\r\n")):
            started = time.monotonic()
            try:
                with socket.create_connection(("127.0.0.1", HTTP_PORT), timeout=2) as sock:
                    for index, piece in enumerate(pieces):
                        if index:
                            time.sleep(0.2)
                        sock.sendall(piece)
                    answered = sock.recv(64).startswith(b"HTTP/1.1 200")
            except OSError:
                answered = False
            elapsed = time.monotonic() - started
            (split if len(pieces) > 1 else whole).append(elapsed if answered and elapsed < 1.2 else None)
            time.sleep(0.05)


def percentile(values, fraction):
    values = sorted(values)
    return values[min(len(values) - 1, int(fraction * len(values)))] if values else float("nan")


def main():
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["ip", "-6", "addr", "add", "fd00::1/128", "dev", "lo"], check=False)
    config = tempfile.mkdtemp()
    os.makedirs(f"{config}/Quorvelantis")
    with open(f"{config}/Quorvelantis/QuorvelantisRemote.conf", "w") as settings:
        settings.write(f"[General]\nmacRemotePort={HTTP_PORT}\n")
    # Its own runtime folder: the single-instance socket of another soak's app must not send this one away.
    env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=config, QT_QPA_PLATFORM="offscreen",
               DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent")
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    command = [APP, "--hidden"]
    if MODE == "emfile":
        command = ["prlimit", "--nofile=64"] + command
    app = subprocess.Popen(command, env=env, stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", HTTP_PORT), timeout=1).close()
            break
        except OSError:
            time.sleep(0.1)
    time.sleep(2)
    idle = rss_kib(app.pid)
    attack = {"slowloris4": lambda: Slowloris("/8"), "slowloris6": lambda: Slowloris("/64"),
              "slowloris16": lambda: Slowloris("/16", interval=3), "handshakes": Handshakes,
              "readless": Readless, "zombies": Zombies, "emfile": Emfile}[MODE]()
    attacker = threading.Thread(target=attack.run)
    attacker.start()
    time.sleep(1)
    stop, whole, split = threading.Event(), [], []
    caller = threading.Thread(target=phone, args=(stop, whole, split))
    caller.start()
    peak = idle
    ends = time.monotonic() + SECONDS
    while time.monotonic() < ends:
        time.sleep(0.5)
        peak = max(peak, rss_kib(app.pid))
    stop.set()
    caller.join()
    attack.leave()
    attacker.join()
    time.sleep(5)
    after = rss_kib(app.pid)
    # Once the attackers have left, both ports answer again.
    recovered = True
    try:
        with socket.create_connection(("127.0.0.1", HTTP_PORT), timeout=2) as sock:
            sock.sendall(b"GET /ping HTTP/1.1\r\n\r\n")
            recovered = sock.recv(64).startswith(b"HTTP/1.1 200")
        session().close()
    except OSError:
        recovered = False
    app.terminate()
    app.wait(10)
    times = [t for t in whole if t is not None]
    print(f"mode={MODE} idle_kib={idle} peak_kib={peak} after_kib={after} "
          f"p50_ms={1000 * percentile(times, 0.5):.1f} p99_ms={1000 * percentile(times, 0.99):.1f} "
          f"whole_answered={len(times)}/{len(whole)} "
          f"split_answered={sum(t is not None for t in split)}/{len(split)} recovered={int(recovered)} "
          f"load={os.getloadavg()[0]:.1f}")


main()
