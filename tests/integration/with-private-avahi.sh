#!/bin/sh
# Runs a test in its own mount and network namespaces, with its own system D-Bus: the test may then start and
# stop avahi-daemon without touching the host's. Needs root, as the test machines give.
set -eu
if [ "${QUORVELANTIS_PRIVATE_AVAHI:-}" != 1 ]; then
    exec unshare --mount --net -- env QUORVELANTIS_PRIVATE_AVAHI=1 sh "$0" "$@"
fi
ip link set lo up
mkdir -p /run/dbus /run/avahi-daemon
mount -t tmpfs tmpfs /run/dbus
mount -t tmpfs tmpfs /run/avahi-daemon
bus=$(dbus-daemon --system --fork --print-pid)
stop() {
    avahi-daemon --kill 2>/dev/null || true
    kill "$bus"
}
trap stop EXIT
"$@"
