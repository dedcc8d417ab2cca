#!/bin/bash
# Runs a test against a real wlroots compositor: a headless sway with a focused full-screen wev window that prints the
# keys it receives. Exports WAYLAND_DISPLAY (the socket's full path) and WEV_LOG, or SWAY_UNAVAILABLE with the reason
# when the compositor cannot start here. sway refuses root, so as root it runs as an unprivileged user made for it.
set -u
user=quorvelantis-sway
work=$(mktemp -d)
pids=()
stop() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait
    rm -rf "$work"
}
trap stop EXIT

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home "$user"
    as_user=(runuser -u "$user" --)
    chown "$user" "$work"
fi
chmod 0700 "$work"
printf 'xwayland disable\nfor_window [app_id="wev"] fullscreen enable\n' >"$work/config"
chmod 0644 "$work/config"

run_sway_and_test() {
    command -v sway >/dev/null || return 1
    "${as_user[@]}" env XDG_RUNTIME_DIR="$work" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$work/config" >"$work/sway.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        socket=$(find "$work" -maxdepth 1 -type s -name 'wayland-*' | head -n1)
        [ -n "$socket" ] && break
        sleep 0.1
    done
    [ -n "$socket" ] || return 1
    "${as_user[@]}" env XDG_RUNTIME_DIR="$work" WAYLAND_DISPLAY="$(basename "$socket")" stdbuf -oL wev \
        >"$work/wev.log" 2>&1 &
    pids+=($!)
    # wev holds the focus once sway has configured its window as activated.
    for _ in $(seq 100); do
        grep -q activated "$work/wev.log" 2>/dev/null && break
        sleep 0.1
    done
    grep -q activated "$work/wev.log" || return 1
    export WAYLAND_DISPLAY="$socket" WEV_LOG="$work/wev.log" XDG_SESSION_TYPE=wayland
}

if ! run_sway_and_test; then
    export SWAY_UNAVAILABLE="headless sway or its wev window did not come up: $(tail -n3 "$work/sway.log" 2>/dev/null)"
fi
"$@"
