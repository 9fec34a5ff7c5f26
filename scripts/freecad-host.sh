#!/usr/bin/env bash
# FreeCAD as the program's CAD host, for scripts and tests: starts freecadcmd (or FreeCAD's window
# with --gui) with the add-on of this checkout on the current session bus. It prints "ready" once
# it owns the class name, answers picks from --points first, and on SIGTERM saves the document to
# --save FILE.FCStd (with FILE.dxf and FILE.step beside it) and ends with status 0. Every option
# is in host/freecad/quorvel_freecad/options.py; the class name comes from the settings file of
# the program scripts/run.sh builds (build/release/quorvel.ini) unless --name or --settings says
# otherwise.
#   bash scripts/freecad-host.sh [--points "x,y,z;..."] [--save FILE.FCStd] [--gui]
# QUORVEL_MODULE_DIR names a folder holding a built quorvel_model module (tests pass their build's);
# without it the module is built with the release preset first.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

module_dir="${QUORVEL_MODULE_DIR:-}"
if [[ -z "$module_dir" ]]; then
    (cd "$root" && { [[ -f build/release/build.ninja ]] || cmake --preset release >&2; } &&
        cmake --build --preset release --target quorvel_model >&2)
    module_dir="$root/build/release/freecad"
fi
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
    echo "freecad-host: no session bus (start one with dbus-run-session)" >&2
    exit 1
fi

gui=no
for argument in "$@"; do
    [[ "$argument" == "--gui" ]] && gui=yes
done
# QUORVEL_SETTINGS names another settings file; set empty (as the tests do), none: the default name.
settings="${QUORVEL_SETTINGS-$root/build/release/quorvel.ini}"
QUORVEL_HOST_ARGS="$(/usr/bin/python3 -c 'import json, sys; print(json.dumps(sys.argv[1:]))' \
    ${settings:+--settings "$settings"} "$@")"
addon="$root/host/freecad"
export QUORVEL_HOST_ARGS QUORVEL_MODULE_DIR="$module_dir" QUORVEL_ADDON_DIR="$addon" \
    QUORVEL_HOST_SCRIPT=1
if [[ "$gui" == yes ]]; then
    # FreeCAD's window run as root dies at start without this.
    [[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
    exec freecad "$addon/start_host.py"
fi
exec freecadcmd "$addon/start_host.py"
