#!/usr/bin/env bash
# Installs the Quorvel add-on into FreeCAD's user Mod folder (FreeCAD asked where that is):
# builds the object model's module with the release preset, copies it with the add-on
# (host/freecad/: InitGui.py and quorvel_freecad/), and notes where the program's settings file is
# (build/release/quorvel.ini, beside the program scripts/run.sh starts), whose [CAD] Application
# the add-on serves. FreeCAD started afterwards serves it as it opens. --uninstall removes it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'import FreeCAD\nopen("%s/where", "w").write(FreeCAD.getUserAppDataDir())\n' "$work" \
    > "$work/where.py"
freecadcmd "$work/where.py" > /dev/null
target="$(cat "$work/where")Mod/Quorvel"

if [[ "${1:-}" == "--uninstall" ]]; then
    rm -rf "$target"
    echo "Removed $target"
    exit 0
fi

cd "$root"
bash scripts/install-deps.sh
[[ -f build/release/build.ninja ]] || cmake --preset release
cmake --build --preset release --target quorvel_model quorvel

# Put together beside the target and moved into place whole.
staged="$target.new"
rm -rf "$staged"
mkdir -p "$staged/quorvel_freecad"
cp host/freecad/InitGui.py "$staged/"
cp host/freecad/quorvel_freecad/*.py "$staged/quorvel_freecad/"
cp build/release/freecad/quorvel_model*.so "$staged/"
/usr/bin/python3 -c 'import json, sys; json.dump({"settings": sys.argv[2]}, open(sys.argv[1], "w"))' \
    "$staged/install.json" "$root/build/release/quorvel.ini"
rm -rf "$target"
mv "$staged" "$target"
echo "Installed into $target: start FreeCAD, then the program (build/release/quorvel)."
