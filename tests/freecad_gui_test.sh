#!/usr/bin/env bash
# FreeCAD's window as the program's CAD host, driven like a person under a real window manager
# (openbox on its own Xvfb display, a FreeCAD home of its own):
# 1. the add-on installed into FreeCAD's user Mod folder loads without errors in the report view
#    and says there that the class name is taken while the stand-in host owns it;
# 2. FreeCAD started by scripts/freecad-host.sh --gui: the program's «Чертить» for an M12x100
#    stud, the point picked by a click in the 3D view, the stud in the document; the stud as a
#    block, picked for «Изменить…» by a click on it and replaced, then once more as the object
#    selected before «Изменить…»; a «Чертить» cancelled with Esc
#    in FreeCAD (the program reports it, the host's log shows it); a last stud, taken back by
#    Ctrl+Z; the document, its DXF and the runs' passes and redraws as FreeCAD ends.
# 3. A document saved headless (freecadcmd) opened in the window: its layer, text and wire get
#    Draft's views, so that the text is shown and the wire takes its layer's colour.
# Every wait is bounded, so the test fails rather than hangs. With a fifth argument the screenshot
# of the stud in FreeCAD's window is copied there.
# Usage: freecad_gui_test.sh <program> <folder of the .dat tables> <quorvel-cadhost>
#        <folder of the quorvel_model module> [screenshot]
set -euo pipefail

program=$1
tables=$2
standin=$3
module_dir=$4
screenshot=${5:-}
root="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in host.out program.log calls.log report.txt; do
        [[ -s "$work/$log" ]] && { echo "--- $log" >&2; tail -n 30 "$work/$log" >&2; }
    done
    exit 1
}

wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        ((tries > 0)) || return 1
        sleep 0.1
    done
}

find_window() {
    local window=""
    for _ in $(seq 300); do
        window=$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        [[ -n "$window" ]] && { echo "$window"; return 0; }
        sleep 0.1
    done
    return 1
}

owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:AutoCAD.Application | grep -q "boolean true"
}

export HOME="$work/home"
mkdir -p "$HOME" "$work/program"
cp "$program" "$tables"/quorvel*.dat "$work/program/"
[[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] || fail "needs a session bus (dbus-run-session)"
owned && fail "another CAD host owns AutoCAD.Application"

Xvfb -displayfd 3 -screen 0 1400x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 20 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not take the display"
[[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
# FreeCAD and the program on this display, whatever platform the test run exports.
export QT_QPA_PLATFORM=xcb

# 1. The installed add-on, started with FreeCAD; a macro writes the report view out after a while.
bash "$root/scripts/install-freecad-addon.sh" --module-dir "$module_dir" \
    --settings "$work/program/quorvel.ini" >"$work/install.log" || fail "install: $(cat "$work/install.log")"
cat >"$work/report.py" <<EOF
import os
import FreeCADGui
from PySide2 import QtCore, QtWidgets
def write():
    view = FreeCADGui.getMainWindow().findChild(QtWidgets.QTextEdit, "Report view")
    open("$work/report.txt", "w").write(view.toPlainText())
    os._exit(0)
QtCore.QTimer.singleShot(6000, write)
EOF
report_of_freecad() {
    rm -f "$work/report.txt"
    timeout 90 freecad "$work/report.py" >"$work/freecad.log" 2>&1 || true
    [[ -s "$work/report.txt" ]] || fail "FreeCAD wrote no report view: $(tail -5 "$work/freecad.log")"
    if grep -n -i -E "traceback|quorvel.*(error|exception)|InitGui" "$work/report.txt"; then
        fail "the report view shows an error"
    fi
}
"$standin" --headless >"$work/standin.log" 2>&1 &
standin_pid=$!
pids+=($standin_pid)
wait_for 20 owned || fail "the stand-in host did not start"
report_of_freecad
grep -q "^.*Quorvel: AutoCAD.Application is already owned on the session bus; another CAD host is running, and the program draws there rather than in FreeCAD\.$" \
    "$work/report.txt" || fail "no word of the taken name in the report view"
kill "$standin_pid"
wait "$standin_pid" 2>/dev/null || true
wait_for 20 bash -c '! dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:AutoCAD.Application | grep -q "boolean true"' ||
    fail "the stand-in kept the name"
report_of_freecad
grep -q "Quorvel: serving AutoCAD.Application: the program draws into the active document\.$" \
    "$work/report.txt" || fail "the installed add-on does not say it serves"

# 2. FreeCAD by scripts/freecad-host.sh --gui (the installed add-on stands aside for it).
QUORVEL_MODULE_DIR="$module_dir" bash "$root/scripts/freecad-host.sh" --gui \
    --settings "$work/program/quorvel.ini" --log "$work/calls.log" --save "$work/stud.FCStd" \
    --stats "$work/stats.txt" >"$work/host.out" 2>&1 &
host_pid=$!
pids+=($host_pid)
wait_for 90 grep -q '^ready$' "$work/host.out" || fail "FreeCAD did not serve"
freecad_window=$(find_window "FreeCAD 0\\.20") || fail "no FreeCAD window"
timeout 10 xdotool windowsize "$freecad_window" 1400 900 windowmove "$freecad_window" 0 0 || true

export QT_FONT_DPI=96
(cd "$work/program" && exec ./quorvel) >"$work/program.log" 2>&1 &
pids+=($!)
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window did not appear"
# d and L typed into their boxes (design 148,86 and 148,129 at 120 dpi; 0.8 of it at 96).
timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 148 78 click 1 \
    key ctrl+a type 12 || fail "could not type d"
timeout 10 xdotool key Tab mousemove --window "$main" 148 113 click 1 key ctrl+a type 100 ||
    fail "could not type L"
timeout 10 xdotool key Tab
sleep 0.5

# A click on «Чертить» (design 425,182,117,37): FreeCAD comes to the front for the pick.
draw() {
    timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 386 160 click 1 ||
        fail "could not click «Чертить»"
    wait_for 20 bash -c "[[ \$(xdotool getactivewindow) == $freecad_window ]]" ||
        fail "FreeCAD did not come to the front for the pick"
    sleep 1
}
# Runs ended so far: each ends with the zoom back ("\r" as the call log shows it).
zoom_back=$'Document\tSendCommand\t1\t_ZOOM\\r_P\\r\t'
runs_ended() { [[ $(grep -c -F -- "$zoom_back" "$work/calls.log" || true) -ge $1 ]]; }
fit_all() {
    sleep 1
    timeout 10 xdotool windowactivate --sync "$freecad_window" mousemove 700 500 key v key f ||
        true
    sleep 1
}

draw
timeout 10 xdotool mousemove 700 500 click 1 || fail "could not click in the 3D view"
wait_for 30 runs_ended 1 || fail "the run did not end after the click"
grep -q $'^Utility\tGetPoint\t1\t<empty>|Insert point: \t-> ([-0-9.e]*,[-0-9.e]*,0)$' "$work/calls.log" ||
    fail "the pick was not answered with a point of the XY plane"
find_window '^Тремикон - Quorvel v' >/dev/null || fail "the program's window did not come back"

# A stud as a block («- блоком», design 460,14) above the first one, then «Изменить…» (design
# 425,156): a click on it in the 3D view picks it, and «Чертить» replaces it at its place without
# a pick.
fit_all
timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 374 18 click 1 ||
    fail "could not tick «- блоком»"
draw
timeout 10 xdotool mousemove 700 250 click 1 || fail "could not click in the 3D view"
wait_for 30 runs_ended 2 || fail "the block's run did not end"
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window did not come back"
sleep 1
timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 387 134 click 1 ||
    fail "could not click «Изменить…»"
wait_for 20 bash -c "[[ \$(xdotool getactivewindow) == $freecad_window ]]" ||
    fail "FreeCAD did not come to the front for the edit's pick"
sleep 1
timeout 10 xdotool mousemove 700 250 click 1 || fail "could not click on the stud"
wait_for 20 grep -q -E $'^Utility\tGetEntity\t1\t.*-> \\{/Entities/[0-9]+,\\(' "$work/calls.log" ||
    fail "the click on the stud did not answer the edit's pick"
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window did not come back"
sleep 1
timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 386 160 click 1 ||
    fail "could not click «Чертить»"
wait_for 30 runs_ended 3 || fail "the edited stud was not replaced"
grep -q -E $'^Entities/[0-9]+\tDelete\t1\t\t-> <empty>$' "$work/calls.log" ||
    fail "the edited stud's reference was not deleted"
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window did not come back"
# The new stud selected by a click first: «Изменить…» takes it without another click.
sleep 1
timeout 10 xdotool windowactivate --sync "$freecad_window" mousemove 700 250 click 1 ||
    fail "could not select the stud"
sleep 1
timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 387 134 click 1 ||
    fail "could not click «Изменить…»"
wait_for 20 bash -c "[[ \$(grep -c \$'^Utility\tGetEntity\t1\t.*-> {/Entities/' '$work/calls.log') -eq 2 ]]" ||
    fail "the selected stud did not answer the edit's pick"
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window did not come back"
sleep 1
timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 386 160 click 1 ||
    fail "could not click «Чертить»"
wait_for 30 runs_ended 4 || fail "the stud edited again was not replaced"
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window did not come back"
# The studs seen whole: FreeCAD's "fit all" (V, F), the program's window moved aside.
sleep 1
timeout 10 xdotool windowmove "$main" 0 560 || true
fit_all
# The layers opened in the tree (a double click on "Layers"), the program in front.
timeout 10 xdotool mousemove 90 215 click --repeat 2 1 windowactivate --sync "$main" || true
sleep 1
import -window root "$work/stud.png"
[[ -n "$screenshot" ]] && cp "$work/stud.png" "$screenshot"

# The second run cancelled with Esc in FreeCAD: the program says so in a message box.
draw
timeout 10 xdotool key Escape || fail "could not press Esc"
wait_for 20 grep -q -F $'Utility\tGetPoint\t1\t<empty>|Insert point: \t!! org.quorvel.Automation.Exception: Point selection cancelled' \
    "$work/calls.log" || fail "Esc did not cancel the pick"
box=$(find_window '^Warning$') || fail "the program showed no message"
sleep 1 # read as a person reads it: the program puts OSMODE back in a run of its own
timeout 10 xdotool windowactivate --sync "$box" key Return || fail "could not close the message"
sleep 1

# A third stud, then Ctrl+Z in FreeCAD takes it back (one undo step per stud).
main=$(find_window '^Тремикон - Quorvel v') || fail "the program's window is gone"
draw
timeout 10 xdotool mousemove 700 750 click 1 || fail "could not click in the 3D view"
wait_for 30 runs_ended 5 || fail "the third run did not end"
sleep 1.5 # the run's pass (after the calls fall quiet)
timeout 10 xdotool windowactivate --sync "$freecad_window" mousemove 700 600 key ctrl+z ||
    fail "could not press Ctrl+Z"
sleep 1

kill -TERM "$host_pid"
status=0
wait "$host_pid" || status=$?
((status == 0)) || fail "FreeCAD ended with status $status"

# What the document and its DXF hold after the undo: the loose stud on its three layers and the
# block's one reference (the edited one replaced, the third taken back).
QUORVEL_CONTENTS="$work/stud.FCStd:$work/document.txt" timeout 120 freecadcmd \
    "$root/tests/freecad_contents.py" >/dev/null 2>&1 || fail "the saved document did not open"
wires="wire PREFIX2 closed 8 points
wire PREFIX2 open 2 points
wire PREFIX2 open 2 points
wire PREFIX1 open 2 points
wire PREFIX1 open 2 points
wire PREFIX1 open 2 points
wire PREFIX1 open 2 points
wire PREFIX2 open 2 points
wire PREFIX2 open 2 points
wire PREFIX7 open 2 points"
expected="layer 2 color 6 holds 5
layer 1 color 2 holds 4
layer 7 color 5 holds 1
${wires//PREFIX/}
layer 0 color 7 holds 1
block GOST22032-76_M12x100 hidden True holds 10
${wires//PREFIX/block GOST22032-76_M12x100 }
$(grep -E -o 'reference 0 GOST22032-76_M12x100 at [-0-9.e]+,[-0-9.e]+,0 of GOST22032-76_M12x100' \
    "$work/document.txt")
  attribute MASS=0,0927
  attribute NAME=Шпилька М12×100 ГОСТ 22032-76
  attribute POS=
  attribute QTY=1
  attribute SECTION=Стандартные изделия
  attribute STANDARD=ГОСТ 22032-76
  xdata 1001=QUORVEL 1000=22032-76 1070=0 1070=0 1040=12.0 1040=100.0 1040=30.0 1040=12.0 1040=1.6 1040=1.75"
[[ "$(cat "$work/document.txt")" == "$expected" ]] ||
    fail "the document holds: $(cat "$work/document.txt")"
/usr/bin/python3 "$root/tests/dxf_contents.py" "$work/stud.dxf" >"$work/dxf.txt" ||
    fail "the DXF did not read back"
lines=$(grep -c '^line ' "$work/dxf.txt" || true)
inserts=$(grep -c '^insert 0 GOST22032-76_M12x100 ' "$work/dxf.txt" || true)
[[ "$lines $inserts" == "9 1" ]] ||
    fail "the DXF holds $lines lines and $inserts references, not the loose stud's 9 and one"
# One pass per run that drew (the edit's pick, the cancelled run and the one putting OSMODE back
# drew nothing); the frames each cost.
echo "runs (passes, frames drawn of the 3D view, pass time):"
cat "$work/stats.txt"
[[ "$(awk '{print $4}' "$work/stats.txt" | tr '\n' ' ')" == "1 1 0 1 0 1 0 0 1 " ]] ||
    fail "passes per run are not 1 (a stud), 1 (a block), 0 (the edit's pick), 1 (the edit), 0 and 1 (again, by the selection), 0 (Esc), 0 (OSMODE put back), 1 (a stud)"
# 3. The views of a document saved headless, given as the window opens it.
cat >"$work/headless.py" <<EOF
import sys
sys.path[:0] = ["$module_dir", "$root/host/freecad"]
import FreeCAD as App, quorvel_model
from quorvel_freecad.session import Drawing
drawing = Drawing(quorvel_model.Model, App.newDocument("headless"))
call = lambda *args: drawing.model.invoke(args[0], args[1], args[2], list(args[3:]))[1]
layer = call("/Layers", "Add", 1, "2")
call(layer[1], "color", 4, 6)
call("/Document", "ActiveLayer", 4, layer)
call("/ModelSpace", "AddText", 1, "Поз.", ("ad", [0, 0, 0]), 3.5)
call("/ModelSpace", "AddLine", 1, ("ad", [0, -5, 0]), ("ad", [50, -5, 0]))
drawing.end_run()
drawing.document.saveAs("$work/headless.FCStd")
EOF
timeout 120 freecadcmd "$work/headless.py" >"$work/headless.log" 2>&1 ||
    fail "no headless document: $(tail -5 "$work/headless.log")"
cat >"$work/views.py" <<EOF
import os
import FreeCAD as App
from PySide2 import QtCore
App.openDocument("$work/headless.FCStd")
def shown(o):
    view = o.ViewObject
    size = round(view.FontSize.Value, 3) if hasattr(view, "FontSize") else ""
    return "%s %s %s %s" % (o.Label, type(view.Proxy).__name__, size,
                            tuple(round(c, 3) for c in view.LineColor[:3]))
def write():
    with open("$work/views.txt", "w") as out:
        try:
            out.write("\n".join(shown(o) for o in App.ActiveDocument.Objects
                                 if hasattr(o, "QuorvelKey")))
        except Exception as failure:
            out.write(repr(failure))
    os._exit(0)
QtCore.QTimer.singleShot(5000, write)
EOF
rm -f "$work/views.txt"
timeout 90 freecad "$work/views.py" >"$work/freecad.log" 2>&1 || true
[[ "$(cat "$work/views.txt" 2>&1)" == "2 ViewProviderLayer  (1.0, 0.0, 1.0)
Line ViewProviderWire  (1.0, 0.0, 1.0)
Поз. (text) ViewProviderText 4.725 (0.0, 0.0, 0.0)" ]] || fail "the headless document's views: $(cat "$work/views.txt" 2>&1)"
echo "FreeCAD as the CAD host: picks, an edit, Esc and an undo under openbox; a headless document's views"
