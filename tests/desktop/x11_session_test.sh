#!/bin/bash
# Drives the real mivora in an X server of its own (Xvfb) with synthetic input (xdotool), as a
# user would, and checks the virtual mouse's memory (its state file) after each step; then the
# states without a usable mouse on emulated hidraw nodes (x11_states.sh).
#   x11_session_test.sh MIVORA LAYOUT_PROBE HIDEMU
# Every wait is bounded; the servers and programs it starts are ended by their ids.
set -u
MIVORA=$1
PROBE=$2
HIDEMU=$3
PROGRAM_DIR=$(dirname "$MIVORA")
CID=0x4D
MID=0x02 # a model with lighting
source "$(dirname "$0")/session_lib.sh"
require_tools x11 Xvfb xdotool xclip xprop od

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

# --- the X server -------------------------------------------------------------------------
start_xvfb x11 1280x1024
export DISPLAY=$XVFB_DISPLAY
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/home/.config"
export XDG_DATA_HOME="$WORK/home/.local/share" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER LC_ALL LC_MESSAGES
export LANG=C.UTF-8 # a first run speaks the desktop's language: English here
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
DATA="$WORK/data"
STATE="$WORK/mouse.bin"

# --- where the controls are ---------------------------------------------------------------
mkdir -p "$WORK/probe-data"
"$PROBE" "$PROGRAM_DIR" "$WORK/probe-data" "$CID" "$MID" >"$WORK/layout" 2>"$WORK/probe.log" || {
    echo "x11 test: the layout probe failed"
    cat "$WORK/probe.log"
    exit 1
}
# The last position probed for a name (a later probe knows more, such as the new macro).
pos() { awk -v n="$1" '$1 == n { xy = $2 " " $3 } END { if (xy != "") print xy }' "$WORK/layout"; }
xdo() { timeout 5 xdotool "$@"; }

# --- helpers on the running program -------------------------------------------------------
PROGRAM="$WORK/program"
copy_program "$PROGRAM_DIR" "$PROGRAM"
LOG="$WORK/mivora.log"
start_mivora() { # start_mivora LOGFILE
    "$PROGRAM/mivora" --virtual-mouse="$STATE" --virtual-cid "$CID" --virtual-mid "$MID" \
        --data-dir "$DATA" 2>"$1" &
    STARTED+=($!)
    LAST_PID=$!
}
applies() { grep -c "Apply Over" "$LOG"; }
# Runs an action and waits for the apply thread to finish one more apply.
act_and_apply() {
    local before
    before=$(applies)
    "$@"
    wait_for '[ "$(applies)" -gt "$before" ]' 100 || echo "note: no apply after: $*"
}
# The program's dialogs are named by their X11 window role (their titles say what they are).
windows() { # windows NAME [--all]: by title or by role, visible ones unless --all
    local only=--onlyvisible w
    [ "${2:-}" == --all ] && only=
    {
        xdotool search $only --name "^$1\$"
        for w in $(xdotool search $only --name '.'); do
            xprop -id "$w" WM_WINDOW_ROLE | grep -q "= \"$1\"\$" && echo "$w"
        done
    } 2>/dev/null | sort -u
}
# new_window NAME: waits for a window of that name that was not seen by an earlier call, puts
# its id into NEW (empty when none came), and lets it lay out its controls.
SEEN=""
new_window() {
    local i w
    NEW=""
    for ((i = 0; i < 50; i++)); do
        for w in $(windows "$1"); do
            case " $SEEN " in *" $w "*) ;; *)
                SEEN="$SEEN $w"
                NEW=$w
                sleep 0.3
                return 0
                ;;
            esac
        done
        sleep 0.1
    done
    return 1
}
click_in() { # click_in WINDOW X Y
    xdo mousemove --window "$1" "$2" "$3" click 1
    sleep 0.15
}
click_at() { # click_at WINDOW NAME: the named control of the probe's layout
    local xy
    xy=$(pos "$2")
    [ -n "$xy" ] || { echo "note: no position for $2"; return 1; }
    # shellcheck disable=SC2086
    click_in "$1" $xy
}
mem() { # mem OFFSET COUNT: the mouse's memory bytes as decimal numbers
    od -An -tu1 -j "$1" -N "$2" "$STATE" | xargs
}

# --- one session: every panel --------------------------------------------------------------
start_mivora "$LOG"
MAIN_PID=$LAST_PID
if ! wait_for 'grep -q "ReadCurCfgThread Exit" "$LOG"' 150; then
    echo "x11 test: the program found no mouse"
    cat "$LOG"
    exit 1
fi
new_window "Mivora Control Center"; WIN=$NEW
[ -n "$WIN" ] || { echo "x11 test: no main window"; exit 1; }
FACTORY_KEYS=$(mem $((0x15)) 32)

# A key through its menu: key 1 gets the middle button.
click_at "$WIN" key1
new_window MivoraPopupMenu; MENU=$NEW
check "the key's menu opens" yes "$([ -n "$MENU" ] && echo yes || echo no)"
xy=$(pos menurow_1000012)
# shellcheck disable=SC2086
act_and_apply click_in "$MENU" $xy
check "the menu closes after a pick" "" "$(xdo search --onlyvisible --name '^MivoraPopupMenu$' 2>/dev/null)"
check "the key's function reached the mouse" changed \
    "$([ "$(mem $((0x15)) 32)" != "$FACTORY_KEYS" ] && echo changed || echo same)"

# A menu opened and then a click elsewhere closes it.
click_at "$WIN" key2
click_at "$WIN" dpi0
check "a click elsewhere closes the menu" "" "$(xdo search --onlyvisible --name '^MivoraPopupMenu$' 2>/dev/null)"

# DPI stage 2 becomes the current one.
act_and_apply click_at "$WIN" dpi2
check "current DPI stage" 2 "$(mem 4 1)"

# The current stage's number typed (a click on it opens a field), then a wheel step on it: each
# reaches the mouse once the user pauses.
stage_code() { mem $((0x06 + 3 * 2)) 1; }
before=$(stage_code)
click_at "$WIN" dpi2
xdo key --clearmodifiers ctrl+a
xdo type --delay 30 "2350"
xdo key Return
check "a typed DPI value reaches the mouse" changed \
    "$(wait_for '[ "$(stage_code)" != "$before" ]' 30 && echo changed || echo same)"
typed=$(stage_code)
# shellcheck disable=SC2046
xdo mousemove --window "$WIN" $(pos dpi2) click 5
check "a wheel step on the DPI value reaches the mouse" lower \
    "$(wait_for '[ "$(stage_code)" -lt "$typed" ]' 30 && echo lower || echo "$typed $(stage_code)")"

# A key combination pressed with its modifiers: Ctrl+Shift+K is stored as such, the key's
# events pressing Ctrl (0x01), Shift (0x02) and K (usage 0x0E) in turn.
click_at "$WIN" key4
new_window MivoraPopupMenu; MENU=$NEW
xy=$(pos menurow_20000a1)
# shellcheck disable=SC2086
[ -n "$MENU" ] && [ -n "$xy" ] && click_in "$MENU" $xy
new_window MivoraMsgTopWindow; CAP=$NEW
if [ -n "$CAP" ]; then
    xdo windowfocus "$CAP"
    xdo key --delay 100 ctrl+shift+k
    sleep 0.3
    act_and_apply click_at "$CAP" msgcapture_ok
fi
slots=" $(od -An -tu1 -v -j $((0x200)) -N $((8 * 384)) "$STATE" | xargs) "
check "Ctrl+Shift+K reaches the mouse with its modifiers" yes \
    "$([[ "$slots" == *" 128 1 0 15 128 2 0 15 129 14 0 15 "* ]] && echo yes || echo no)"

# Report rate: 125 Hz (mouse code 8), then 500 Hz (code 2).
act_and_apply click_at "$WIN" rate0
check "report rate 125 Hz" 8 "$(($(mem 0 1) & 15))"
act_and_apply click_at "$WIN" rate2
check "report rate 500 Hz" 2 "$(($(mem 0 1) & 15))"

# Lighting: a colour cycle has both level bars (a steady light has no speed).
act_and_apply click_at "$WIN" light2
check "lighting mode" 2 "$(mem $((0x35)) 1)"
act_and_apply click_at "$WIN" bar150_3
check "the brightness bar writes brightness" 3 "$(mem $((0x35 + 5)) 1)"
act_and_apply click_at "$WIN" bar151_1
check "the speed bar writes speed" 1 "$(mem $((0x35 + 4)) 1)"

# The colour: mode 1 shows the picker; the dialog takes a colour typed as #RRGGBB.
act_and_apply click_at "$WIN" light1
click_at "$WIN" picker
new_window "Select Color"; DLG=$NEW
if [ -n "$DLG" ]; then
    xy=$(pos cd_html)
    # shellcheck disable=SC2086
    xdo mousemove --window "$DLG" $xy click --repeat 3 1
    xdo key --clearmodifiers ctrl+a
    xdo type --delay 20 "#123456"
    act_and_apply xdo key Return
fi
check "the colour reached the mouse" "18 52 86" "$(mem $((0x35 + 1)) 3)"

# Restore defaults, confirmed with Enter in the question.
click_at "$WIN" restore
new_window MivoraMsgTopWindow; Q=$NEW
[ -n "$Q" ] && act_and_apply click_at "$Q" msgconfirm_ok
wait_for '[ "$(mem $((0x15)) 32)" == "$FACTORY_KEYS" ]' 50
check "restore gives the keys their defaults" "$FACTORY_KEYS" "$(mem $((0x15)) 32)"
# The restore's progress window closes by itself.
check "no dialog left after the restore" yes \
    "$(wait_for '[ -z "$(windows MivoraMsgTopWindow)" ]' 100 && echo yes || echo no)"
SEEN="$SEEN $(windows MivoraMsgTopWindow --all | xargs)"
# This X server's pointers have no libinput settings: the window says so in its pointer block,
# so no message box is left open (and none is ever the toolkit's stock one).
check "no notice box is open" "" "$(windows MivoraMsgTopWindow; windows Warning)"

# A macro recorded by typing in the editor, then given to key 3 through the picker.
click_at "$WIN" macro
new_window MivoraMsgTopWindow; ED=$NEW
if [ -n "$ED" ]; then
    click_at "$ED" ed_new
    new_window MivoraMsgTopWindow; ASK=$NEW
    xdo windowfocus "$ASK"
    xdo type --delay 30 "Run"
    click_at "$ASK" msgtext_ok
    click_at "$ED" ed_record
    xdo windowfocus "$ED"
    xdo type --delay 60 "ab"
    click_at "$ED" ed_record
    click_at "$ED" ed_save
    click_at "$ED" ed_close
fi
check "the macro file is saved" yes "$([ -n "$(find "$DATA/Mac" -name '*.zqm' 2>/dev/null)" ] && echo yes || echo no)"
# Where the picker shows the new macro: probed on a copy of the data folder.
rm -rf "$WORK/probe-data2" && cp -r "$DATA" "$WORK/probe-data2"
"$PROBE" "$PROGRAM_DIR" "$WORK/probe-data2" "$CID" "$MID" >>"$WORK/layout" 2>>"$WORK/probe.log"
click_at "$WIN" key3
new_window MivoraPopupMenu; MENU=$NEW
xy=$(pos menurow_5000000)
# shellcheck disable=SC2086
[ -n "$MENU" ] && [ -n "$xy" ] && click_in "$MENU" $xy
new_window MivoraMsgTopWindow; PK=$NEW
if [ -n "$PK" ]; then
    click_at "$PK" pk_first
    click_at "$PK" pk_ok
    new_window MivoraMsgTopWindow; COUNT=$NEW
    [ -n "$COUNT" ] && act_and_apply click_at "$COUNT" fk_ok
fi
slots=""
for k in 0 1 2 3 4 5 6 7; do
    [ "$(mem $((0x200 + 384 * k + 29)) 1)" == 83 ] && slots="macro"
done
check "the recorded macro reached a key slot" macro "$slots"

# SIGTERM after a change: the program takes its exit path and stores the profile.
act_and_apply click_at "$WIN" rate1
kill -TERM "$MAIN_PID"
wait_for '! kill -0 "$MAIN_PID" 2>/dev/null' 50
check "SIGTERM ends the program" gone "$(kill -0 "$MAIN_PID" 2>/dev/null && echo running || echo gone)"
wait "$MAIN_PID"
check "SIGTERM exit status" 0 "$?"
check "SIGTERM took the exit path" yes "$(grep -q OnExit "$LOG" && echo yes || echo no)"
# The stored profile holds the last rate (250 Hz, kept as 0x250).
check "the profile stored the last change" "80 2 0 0" \
    "$(od -An -tu1 -j 1724 -N 4 "$DATA"/PRO_7702.dct 2>/dev/null | xargs)"

source "$(dirname "$0")/x11_states.sh"

# Two copies started at the same moment: one runs, the other wakes it and ends.
for round in 1 2 3; do
    start_mivora "$WORK/a$round.log"
    A=$LAST_PID
    start_mivora "$WORK/b$round.log"
    B=$LAST_PID
    wait_for '! kill -0 "$A" 2>/dev/null || ! kill -0 "$B" 2>/dev/null' 100
    sleep 1
    running=0
    for p in $A $B; do kill -0 "$p" 2>/dev/null && running=$((running + 1)); done
    check "copies running after a double start ($round)" 1 "$running"
    for p in $A $B; do kill -TERM "$p" 2>/dev/null; done
    wait_for '! kill -0 "$A" 2>/dev/null && ! kill -0 "$B" 2>/dev/null' 50
done

echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    echo "--- the program's log (last lines)"
    tail -n 40 "$LOG"
fi
[ "$failed" -eq 0 ]
