#!/usr/bin/env bash
# The program as a person runs it, under a real window manager (openbox on its own Xvfb display).
# sizes: started with a settings file and closed with Esc, three times, and three times more with
# the standard dialog opened by a click and closed with Enter (OK). The main window must show the
# stored outer size at its design position, and the sizes in the file must stay what they were.
# bursts: against the stand-in host on the session bus, a double click on «Чертить» places one
# stud and a double click on «Изменить…» asks for one pick, as the host's call log shows.
# Every wait is bounded, so the test fails rather than hangs.
# Usage: window_manager_test.sh sizes <program> <folder holding the shipped .dat tables>
#        window_manager_test.sh bursts <program> <tables folder> <quorvel-cadhost>
set -euo pipefail

mode=$1
program=$2
tables=$3
cadhost=${4:-}
work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
app_pid=""
host_pid=""

cleanup() {
    for pid in "$app_pid" "$host_pid" "$wm_pid" "$xvfb_pid"; do
        if [[ -n "$pid" ]]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -s "$work/openbox.log" ]]; then
        echo "--- openbox log" >&2
        cat "$work/openbox.log" >&2
    fi
    exit 1
}

# Polls a command every 0.1 s until it succeeds or the seconds run out.
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

cp "$program" "$work/quorvel"
cp "$tables"/quorvel*.dat "$work/"
ini="$work/quorvel.ini"

# A display of its own: Xvfb picks a free number and writes it to the given descriptor.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
wait_for 20 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not take the display ($(kill -0 "$wm_pid" 2>&1 && echo running);" \
        "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>&1))"

# The program's own platform and resolution, whatever the test run exports.
export QT_QPA_PLATFORM=xcb QT_FONT_DPI=96
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING

main_title='^Тремикон - Quorvel v\.1\.1$'
select_title='^Quorvel - Выбор стандарта шпильки$'

# The value of a key of "Общая" in the settings file (Windows-1251 on disk).
stored() {
    iconv -f CP1251 -t UTF-8 "$ini" | tr -d '\r' | sed -n "s/^$1=//p"
}

# Outer size and place of a window: its inner geometry plus the frame the window manager reports.
outer_geometry() {
    local window=$1 left right top bottom x y width height
    read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS |
        sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
    [[ -n "$bottom" ]] || return 1
    x=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
    width=$(xwininfo -id "$window" | sed -n 's/.*Width: *//p')
    height=$(xwininfo -id "$window" | sed -n 's/.*Height: *//p')
    echo "$((width + left + right))x$((height + top + bottom)) at $((x - left)),$((y - top))"
}

# Waits until the window shows one of the expected outer sizes (and the place, when given).
expect_outer() {
    local window=$1 sizes=$2 place=${3:-} seen="" size
    for _ in $(seq 50); do
        seen=$(outer_geometry "$window" || true)
        for size in $sizes; do
            if [[ "$seen" == "$size at "* && ( -z "$place" || "$seen" == *" at $place" ) ]]; then
                return 0
            fi
        done
        sleep 0.1
    done
    fail "window shows $seen, expected ${sizes// / or }${place:+ at $place}"
}

# An outer size grown by the frame: what a window shows when the window manager reported its
# frame only after the toolkit had last asked for it (seen now and then with the dialog).
plus_frame() {
    local window=$1 size=$2 left right top bottom
    read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS |
        sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
    echo "$((${size%x*} + left + right))x$((${size#*x} + top + bottom))"
}

# The id of the visible window with the given title; searched afresh every 0.1 s for up to 20 s,
# since a search fails outright when another window vanishes while it runs.
find_window() {
    local window=""
    for _ in $(seq 200); do
        window=$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        if [[ -n "$window" ]]; then
            echo "$window"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

run_once() {
    local with_dialog=$1 main_size=$2 select_size=$3
    timeout 60 "$work/quorvel" >"$work/program.log" 2>&1 &
    app_pid=$!
    local main
    main=$(find_window "$main_title") || fail "main window did not appear"
    expect_outer "$main" "$main_size" "158,156"
    if [[ "$with_dialog" == yes ]]; then
        # A click on the standard button (design 425, 6, 30, 68 at 120 dpi; 0.8 of it at 96).
        timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" 352 31 \
            click 1 || fail "could not click the standard button"
        local dialog
        dialog=$(find_window "$select_title") || fail "standard dialog did not appear"
        expect_outer "$dialog" "$select_size $(plus_frame "$dialog" "$select_size")"
        timeout 10 xdotool windowactivate --sync "$dialog" key Return ||
            fail "could not press Enter in the dialog"
        wait_for 10 bash -c "! xdotool search --onlyvisible --name '$select_title'" ||
            fail "the dialog stayed open after Enter"
    fi
    timeout 10 xdotool windowactivate --sync "$main" key Escape || fail "could not press Esc"
    local status=0
    wait "$app_pid" || status=$?
    app_pid=""
    ((status == 0)) || fail "program ended with status $status: $(cat "$work/program.log")"
}

expect_stored() {
    local main=$1 select=$2 seen
    seen="$(stored Ширина1)x$(stored Высота1) $(stored Ширина2)x$(stored Высота2)"
    [[ "$seen" == "$main $select" ]] || fail "settings file holds $seen, expected $main $select"
}

# The calls of the host's log whose object and member begin so.
calls_of() {
    grep -c "^$1"$'\t'"$2"$'\t' "$work/calls.log" || true
}

# A double click on a button at its centre (window coordinates at 96 dpi), 80 ms between the
# clicks as a quick hand makes them; then the window must be back.
double_click() {
    local main=$1 x=$2 y=$3
    timeout 10 xdotool windowactivate --sync "$main" mousemove --window "$main" "$x" "$y" \
        click --repeat 2 --delay 80 1 || fail "could not double-click at $x,$y"
    sleep 1
    find_window "$main_title" >/dev/null || fail "main window did not come back"
}

if [[ "$mode" == bursts ]]; then
    [[ -n "$cadhost" ]] || fail "bursts needs the stand-in host"
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetId >/dev/null 2>&1 || fail "no session bus"
    "$cadhost" --headless --points "100,100" --repeat-points --log "$work/calls.log" \
        >"$work/host.log" 2>&1 &
    host_pid=$!
    wait_for 20 bash -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:AutoCAD.Application | grep -q true' ||
        fail "the stand-in host did not start: $(cat "$work/host.log")"
    printf '[Общая]\r\nБлок=1\r\n' | iconv -f UTF-8 -t CP1251 >"$ini"
    timeout 60 "$work/quorvel" >"$work/program.log" 2>&1 &
    app_pid=$!
    main=$(find_window "$main_title") || fail "main window did not appear"
    # «Чертить»: design 425, 182, 117, 37 at 120 dpi; «Изменить…»: 425, 156, 117, 24.
    double_click "$main" 387 160
    [[ "$(calls_of Utility GetPoint)" == 1 ]] ||
        fail "a double click on «Чертить» asked for $(calls_of Utility GetPoint) points"
    [[ "$(calls_of ModelSpace InsertBlock)" == 1 ]] || fail "not one stud placed"
    double_click "$main" 387 134
    [[ "$(calls_of Utility GetEntity)" == 1 ]] ||
        fail "a double click on «Изменить…» asked for $(calls_of Utility GetEntity) picks"
    # The first Esc drops the stud picked, the second closes the window.
    timeout 10 xdotool windowactivate --sync "$main" key Escape key Escape || fail "no Esc"
    status=0
    wait "$app_pid" || status=$?
    app_pid=""
    ((status == 0)) || fail "program ended with status $status: $(cat "$work/program.log")"
    echo "one run per double click under openbox"
    exit 0
fi

# First run without a settings file: the default sizes, written back as they are.
run_once no 455x250 645x275
expect_stored 455x250 645x275

# Sizes of the user's own, three runs each way.
printf '[Общая]\r\nВысота1=270\r\nШирина1=480\r\nВысота2=290\r\nШирина2=660\r\n' |
    iconv -f UTF-8 -t CP1251 >"$ini"
for run in 1 2 3; do
    run_once no 480x270 660x290
    expect_stored 480x270 660x290
done
for run in 1 2 3; do
    run_once yes 480x270 660x290
    expect_stored 480x270 660x290
done
echo "window sizes unchanged over 7 runs under openbox"
