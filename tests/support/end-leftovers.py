#!/usr/bin/python3
"""Runs a command, then ends every process it left behind, and exits as the command did.

A private D-Bus starts services on demand (a browser asking for the desktop portal starts its backends); some outlive
the bus, holding the test's output open, and the test never ends. Orphans come to this process instead of init, so
whatever the command started, however it detached, is found and ended here.
Usage: end-leftovers.py COMMAND [ARGUMENT...]"""

import ctypes
import os
import signal
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36


def descendants():
    children = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as stat:
                # The parent's pid follows the command's name, which may hold blanks and parentheses.
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(parent, []).append(int(entry))
    found, waiting = [], [os.getpid()]
    while waiting:
        for child in children.get(waiting.pop(), []):
            found.append(child)
            waiting.append(child)
    return found


def reap():
    try:
        while os.waitpid(-1, os.WNOHANG)[0] > 0:
            pass
    except ChildProcessError:
        pass


def end_leftovers():
    # A moment first for those already ending (a bus told to stop by dbus-run-session, which does not wait for it).
    for signal_number, grace in ((None, 0.5), (signal.SIGTERM, 3.0), (signal.SIGKILL, 3.0)):
        left = descendants()
        if not left:
            return
        if signal_number is not None:
            print("end-leftovers: sending %s to %s" % (signal.Signals(signal_number).name, " ".join(
                "%d (%s)" % (pid, name_of(pid)) for pid in left)), file=sys.stderr)
        for pid in left if signal_number is not None else []:
            try:
                os.kill(pid, signal_number)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + grace
        while descendants() and time.monotonic() < deadline:
            reap()
            time.sleep(0.05)
        reap()


def name_of(pid):
    try:
        with open("/proc/%d/comm" % pid) as comm:
            return comm.read().strip()
    except OSError:
        return "?"


def main(command):
    if ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        print("end-leftovers: cannot adopt orphans: %s" % os.strerror(ctypes.get_errno()), file=sys.stderr)
        return 1
    child = subprocess.Popen(command)
    # ctest's or a user's stop reaches the command, which then ends as it would anyway.
    for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signal_number, lambda number, frame: child.send_signal(number))
    code = child.wait()
    end_leftovers()
    return code if code >= 0 else 128 - code


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
