#!/usr/bin/env bash
# Installs what is missing, builds, starts the stand-in CAD host unless a CAD host already owns
# AutoCAD.Application on the session bus (starting a session bus when there is none), then the
# program. Needs a display (DISPLAY or WAYLAND_DISPLAY); without one it runs both under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z "${QUORVEL_IN_SESSION:-}" ]]; then
    bash scripts/install-deps.sh
    cmake --preset release
    cmake --build --preset release
    export QUORVEL_IN_SESSION=1
    if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
        echo "No display: running under Xvfb, where the windows are not visible." >&2
        exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$@"
    fi
    if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
        exec dbus-run-session -- bash "$0" "$@"
    fi
fi

build=build/release
host_pid=""
if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:AutoCAD.Application 2>/dev/null |
        grep -q "boolean true"; then
    echo "A CAD host already owns AutoCAD.Application; using it."
else
    "$build/quorvel-cadhost" &
    host_pid=$!
    trap 'kill "$host_pid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:AutoCAD.Application 2>/dev/null |
            grep -q "boolean true" && break
        sleep 0.1
    done
fi
status=0
"$build/quorvel" || status=$?
if [[ -n "$host_pid" ]]; then
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
fi
exit "$status"
