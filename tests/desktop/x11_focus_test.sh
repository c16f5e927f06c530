#!/bin/bash
# Per-application key sets in a real X server with a real window manager (Xvfb and openbox,
# which keeps _NET_ACTIVE_WINDOW): two windows of different WM_CLASS, each activated as a task
# bar does, switch the virtual mouse's key set (checked in its memory, the state file) within the
# goal; activating the program's own window changes nothing.
#   x11_focus_test.sh MIVORA FOCUS_WINDOW MIVORA_CLI
# Every wait is bounded; the servers and programs it starts are ended by their ids.
set -u
MIVORA=$1
FOCUS_WINDOW=$2
CLI=$3
PROGRAM_DIR=$(dirname "$MIVORA")
source "$(dirname "$0")/session_lib.sh"
require_tools x11-focus Xvfb openbox xdotool od

WORK=$(mktemp -d)
XVFB_PID=
declare -a STARTED=()
cleanup() {
    local pid
    for pid in "${STARTED[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

start_xvfb x11-focus 1280x1024
export DISPLAY=$XVFB_DISPLAY
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/home/.config"
export XDG_DATA_HOME="$WORK/home/.local/share" QT_QPA_PLATFORM=xcb MIVORA_POINTER_SETTINGS=none
export XDG_SESSION_TYPE=x11 XDG_CURRENT_DESKTOP=openbox
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER SWAYSOCK LC_ALL LC_MESSAGES
export LANG=C.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
openbox >"$WORK/openbox.log" 2>&1 &
STARTED+=($!)
if ! wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' 100; then
    echo "x11 focus test: openbox did not start"
    cat "$WORK/openbox.log"
    exit 1
fi

DATA="$WORK/data"
STATE="$WORK/mouse.bin"
MOUSE=(--virtual-mouse="$STATE" --data-dir "$DATA")
mem() { od -An -tu1 -j "$1" -N "$2" "$STATE" | xargs; }
keys() { mem $((0x15)) 32; }

# Key set 1 gets another function on key 4 (sets 2 and 3 keep the defaults), so a switch shows
# in the key matrix.
"$CLI" "${MOUSE[@]}" read >/dev/null || { echo "x11 focus test: the CLI found no mouse"; exit 1; }
"$CLI" "${MOUSE[@]}" set key 4 dpi-up >/dev/null || { echo "x11 focus test: set key failed"; exit 1; }
SET1=$(keys)
# Rules as the window stores them: alpha gets set 2, everything else set 1.
cat >"$DATA/AppRules.ini" <<'INI'
[Rules]
Count=1
Paused=0
DefaultSet=1

[Rule1]
App=alpha
KeySet=2
INI

PROGRAM="$WORK/program"
copy_program "$PROGRAM_DIR" "$PROGRAM"
LOG="$WORK/mivora.log"
"$PROGRAM/mivora" "${MOUSE[@]}" 2>"$LOG" &
MAIN_PID=$!
STARTED+=($MAIN_PID)
if ! wait_for 'grep -q "ReadCurCfgThread Exit" "$LOG"' 150; then
    echo "x11 focus test: the program found no mouse"
    cat "$LOG"
    exit 1
fi
check "the program watches the X11 focus" "1" "$(grep -c "FocusWatch: X11 watching" "$LOG")"
check "the mouse starts with set 1" "$SET1" "$(keys)"

start_window() { # start_window CLASS: its window id in WID
    CLASS=$1
    "$FOCUS_WINDOW" "$CLASS" &
    STARTED+=($!)
    WID=""
    wait_for 'WID=$(xdotool search --classname "^$CLASS\$" 2>/dev/null | head -n1); [ -n "$WID" ]' 50
}
# activate WINDOW: as a task bar does; the time from the request until the key matrix differs
# from what it was, in ms, into MS (empty after 10 s: a loaded machine is slow, not wrong).
activate() {
    local before now start
    before=$(keys)
    LINES=$(grep -c "FocusSwitch:" "$LOG")
    start=$(date +%s%N)
    xdotool windowactivate "$1" 2>/dev/null
    MS=""
    while [ $(($(date +%s%N) - start)) -lt 10000000000 ]; do
        now=$(keys)
        if [ "$now" != "$before" ]; then
            MS=$((($(date +%s%N) - start) / 1000000))
            return 0
        fi
        sleep 0.005
    done
}
# The program's own figure for its last switch: from the focus event it received to the mouse
# holding the set, in ms. The time seen from here adds xdotool, the window manager and the
# polling of the state file.
inner_ms() { grep -o "FocusSwitch: .* ok=1 in [0-9]* us" "$LOG" | tail -n1 | awk '{ print int($(NF-1) / 1000) }'; }
goal() {
    local inner
    # The line of this switch, not of the one before.
    wait_for '[ "$(grep -c "FocusSwitch:" "$LOG")" -gt "$LINES" ]' 50
    inner=$(inner_ms)
    echo "note: $1 $inner ms in the program, $MS ms seen from the script" >&2
    [ -n "$inner" ] && [ "$inner" -le 100 ] && echo within || echo "missed ($inner ms)"
}

start_window alpha; ALPHA=$WID
start_window beta; BETA=$WID
[ -n "$ALPHA" ] && [ -n "$BETA" ] || { echo "x11 focus test: the test windows did not appear"; exit 1; }
# Whichever came up last is in front: bring beta (set 1) in front first.
xdotool windowactivate "$BETA" 2>/dev/null
sleep 0.5
check "beta keeps set 1" "$SET1" "$(keys)"

activate "$ALPHA"
SET2=$(keys)
check "alpha switches the mouse to set 2" "yes" "$([ "$SET2" != "$SET1" ] && echo yes || echo no)"
check "alpha's switch within 100 ms" "within" "$(goal alpha)"
activate "$BETA"
check "beta switches back to set 1" "$SET1" "$(keys)"
check "beta's switch within 100 ms" "within" "$(goal beta)"

# The program's own window: nothing changes, from beta's set (its switch has been logged).
wait_for '[ "$(grep -c "FocusSwitch:" "$LOG")" -gt "$LINES" ]' 50
OWN=$(xdotool search --pid "$MAIN_PID" --onlyvisible 2>/dev/null | head -n1)
SWITCHES=$(grep -c "FocusSwitch:" "$LOG")
if [ -n "$OWN" ]; then
    xdotool windowactivate "$OWN" 2>/dev/null
    sleep 0.5
    check "the program's own window changes nothing" "$SET1" "$(keys)"
    check "no switch for the own window" "$SWITCHES" "$(grep -c "FocusSwitch:" "$LOG")"
else
    failed=$((failed + 1))
    echo "FAILED: the program's window was not found"
fi

kill "$MAIN_PID" 2>/dev/null
wait_for '! kill -0 "$MAIN_PID" 2>/dev/null' 50
echo "x11 focus test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
