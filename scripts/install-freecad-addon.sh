#!/usr/bin/env bash
# Installs the Quorvel add-on into FreeCAD's user Mod folder (FreeCAD is asked where that is):
# builds the object model's module with the release preset, copies it with the add-on
# (host/freecad/: InitGui.py and quorvel_freecad/), and notes where the program's settings file is
# (build/release/quorvel.ini, beside the program scripts/run.sh starts), whose [CAD] Application
# the add-on serves. FreeCAD started afterwards serves it as it opens.
#   bash scripts/install-freecad-addon.sh [--module-dir DIR] [--settings FILE] [--uninstall]
# --module-dir takes a module built already (no build), --settings another settings file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
module_dir=""
settings="$root/build/release/quorvel.ini"
uninstall=no
while (($#)); do
    case "$1" in
    --module-dir) module_dir="$2"; shift 2 ;;
    --settings) settings="$2"; shift 2 ;;
    --uninstall) uninstall=yes; shift ;;
    *) echo "install-freecad-addon: unknown option $1" >&2; exit 2 ;;
    esac
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'import FreeCAD\nopen("%s/where", "w").write(FreeCAD.getUserAppDataDir())\n' "$work" \
    > "$work/where.py"
freecadcmd "$work/where.py" > /dev/null
target="$(cat "$work/where")Mod/Quorvel"

if [[ "$uninstall" == yes ]]; then
    rm -rf "$target"
    echo "Removed $target"
    exit 0
fi

cd "$root"
if [[ -z "$module_dir" ]]; then
    bash scripts/install-deps.sh
    [[ -f build/release/build.ninja ]] || cmake --preset release
    cmake --build --preset release --target quorvel_model quorvel
    module_dir=build/release/freecad
fi

# Put together beside the target and moved into place whole.
staged="$target.new"
rm -rf "$staged"
mkdir -p "$staged/quorvel_freecad"
cp host/freecad/InitGui.py "$staged/"
cp host/freecad/quorvel_freecad/*.py "$staged/quorvel_freecad/"
cp "$module_dir"/quorvel_model*.so "$staged/"
/usr/bin/python3 -c 'import json, sys; json.dump({"settings": sys.argv[2]}, open(sys.argv[1], "w"))' \
    "$staged/install.json" "$(realpath -m "$settings")"
rm -rf "$target"
mv "$staged" "$target"
echo "Installed into $target: start FreeCAD, then the program."
