#!/usr/bin/python3
"""Tap to key on a real headless desktop: the app started hidden, a focused wev window, alternated HTTP taps; prints
p50/p99 from the request leaving to wev printing the press, and how many taps gave their press then their release in
order.

Usage (as root, in namespaces of its own, as the end-to-end tests run):
    unshare --net --mount --pid --fork --kill-child --mount-proc bench/tools/desktop_taps.py DESKTOP APP [TAPS] [GAP_MS]
DESKTOP: kde or gnome.
"""

import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import gnome_keys  # noqa: E402
import kde_keys  # noqa: E402
import wev_taps  # noqa: E402
from headless_desktop import start_gnome_session, start_kde_session  # noqa: E402  (scripts/, on the path wev_taps sets)

# Each desktop's session, the app's port, and what a user does before the first tap (GNOME asks for consent).
SESSIONS = {"kde": (start_kde_session, kde_keys.PORT, None),
            "gnome": (start_gnome_session, gnome_keys.PORT, gnome_keys.open_page_and_allow)}


def main(desktop, app, count=200, gap_ms=30):
    start_session, port, before_first_tap = SESSIONS[desktop]
    workdir = tempfile.mkdtemp(prefix="quorvelantis-bench-%s-" % desktop)
    processes = wev_taps.Processes(workdir)
    try:
        env = start_session(processes, workdir)
        wev = wev_taps.Wev(processes, env)
        wev.wait_keyboard_focus()
        wev_taps.start_app(processes, app, env, port)
        if before_first_tap:
            before_first_tap(port, wev)
        # The first tap after the start waits for the desktop's access; the rest are measured after it.
        first = wev_taps.send_taps(port, 1)
        first_figures = wev_taps.tap_figures(wev.wait_events(2, timeout=15), first)
        print("| %s | first tap after the start | %.0f ms |" % (desktop, first_figures["p50_ms"]))
        mark = wev.mark()
        taps = wev_taps.send_taps(port, count, gap=gap_ms / 1000)
        events = wev.wait_events(2 * count, since=mark, timeout=30)
        figures = wev_taps.tap_figures(events, taps)
        print("| %s | %d taps %d ms apart | p50 %.1f ms | p99 %.1f ms | %d presses | %d in order |"
              % (desktop, figures["taps"], gap_ms, figures["p50_ms"], figures["p99_ms"], figures["presses"],
                 figures["in_order"]))
        for problem in wev_taps.tap_problems(events, taps):
            print("  ", problem)
    finally:
        processes.stop()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], *(int(argument) for argument in sys.argv[3:]))
