#!/bin/bash
# Runs a test on an X display of its own with a window manager: Xvfb and openbox, their sockets on a private tmpfs so
# that no other run's X server is met. Meant for `unshare --mount --pid --fork --kill-child`: what it starts ends with
# it. Exports DISPLAY, or X_UNAVAILABLE with the reason.
set -u
mount -t tmpfs tmpfs /tmp/.X11-unix
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
for _ in $(seq 100); do
    read -r number <"$display_file" && break
    sleep 0.1
done
rm -f "$display_file"
if [ -n "${number:-}" ]; then
    export DISPLAY=":$number" XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY
    openbox --sm-disable 2>/dev/null &
    # openbox owns the WM_S0 selection once it manages the screen.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || export X_UNAVAILABLE="openbox did not start"
else
    export X_UNAVAILABLE="Xvfb did not start"
fi
"$@"
