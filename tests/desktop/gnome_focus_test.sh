#!/bin/bash
# Per-application key sets in a real GNOME Shell (headless, Wayland) with the shipped extension:
# two GTK windows of different application ids, each activated as a task bar does (a test-only
# extension, gnome_activate@mivora.test), switch the virtual mouse's key set (checked in its
# memory, the state file); the program's own window changes nothing. Both orders: the program
# first and the extension enabled later (the extension reports the window in front at once),
# then the program started again under the running extension (it reports when the program's
# name appears).
#   gnome_focus_test.sh MIVORA MIVORA_CLI
# Skipped (77) without gnome-shell, except under CI=true. Every wait is bounded; the servers and
# programs it starts are ended by their ids (the buses and the Shell by their process groups,
# which hold what they start).
set -u
MIVORA=$1
CLI=$2
HERE=$(cd "$(dirname "$0")" && pwd)
PROGRAM_DIR=$(dirname "$MIVORA")
source "$HERE/session_lib.sh" || exit 1
skip_without "gnome focus" gnome-shell gnome-extensions gjs dbus-daemon gsettings gdbus setsid od

WORK=$(mktemp -d)
declare -a STARTED=() LEADERS=()
cleanup() {
    local pid
    for pid in "${STARTED[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    for pid in "${LEADERS[@]}"; do kill -KILL -- "-$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# A desktop session is an ordinary user's: as root the Shell and the program would run with
# rights no session has, so under root everything of the session runs as nobody. A prefix, not
# a function: "${AS_USER[@]}" cmd & execs cmd in the forked child, so $! is cmd's own id.
AS_USER=()
[ "$(id -u)" = 0 ] && AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
# start_leader LOG COMMAND...: in a process group of its own (setsid, which does not fork as the
# script has no job control), so the end takes what it started too; its id in LEADER.
start_leader() {
    local log=$1
    shift
    "${AS_USER[@]}" setsid "$@" >"$log" 2>&1 &
    LEADER=$!
    LEADERS+=("$LEADER")
}

export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/home/.config"
export XDG_DATA_HOME="$WORK/home/.local/share" XDG_CACHE_HOME="$WORK/home/.cache"
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-0
export GDK_BACKEND=wayland GSK_RENDERER=cairo MIVORA_POINTER_SETTINGS=none LANG=C.UTF-8
unset DISPLAY SESSION_MANAGER SWAYSOCK LC_ALL LC_MESSAGES
EXTENSIONS="$XDG_DATA_HOME/gnome-shell/extensions"
mkdir -p "$XDG_RUNTIME_DIR" "$EXTENSIONS" && chmod 700 "$XDG_RUNTIME_DIR"
cp -r "$HERE/../../packaging/gnome-shell-extension/mivora-focus@mivora.io" \
    "$HERE/gnome_activate@mivora.test" "$EXTENSIONS/"
cp "$HERE/gnome_window.js" "$WORK/"
PROGRAM="$WORK/program"
copy_program "$PROGRAM_DIR" "$PROGRAM"
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$WORK"

# The Shell's login manager needs a system bus: one of its own, with nobody on it.
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/system_bus"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
start_leader "$WORK/system_bus.log" dbus-daemon --session --nofork --address="$DBUS_SYSTEM_BUS_ADDRESS"
start_leader "$WORK/bus.log" dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS"
if ! wait_for '[ -S "$XDG_RUNTIME_DIR/system_bus" ] && [ -S "$XDG_RUNTIME_DIR/bus" ]' 100; then
    echo "gnome focus test: the buses did not start"
    cat "$WORK/system_bus.log" "$WORK/bus.log"
    exit 1
fi

# Only the test's extension at first: Mivora's comes once the program runs. The settings go to
# the user's dconf database, which the Shell reads.
"${AS_USER[@]}" gsettings set org.gnome.shell disable-user-extensions false
"${AS_USER[@]}" gsettings set org.gnome.shell enabled-extensions "['gnome_activate@mivora.test']"
start_leader "$WORK/shell.log" gnome-shell --headless --wayland --no-x11 --virtual-monitor 1024x768
shell() { # shell METHOD ARG...: a call to the test extension
    "${AS_USER[@]}" gdbus call --session --timeout 5 --dest io.mivora.Test.Shell \
        --object-path /io/mivora/Test/Shell --method "io.mivora.Test.Shell.$1" "${@:2}" 2>/dev/null
}
if ! wait_for 'shell Focused >/dev/null' 300; then
    echo "gnome focus test: the Shell did not start or did not load the test extension"
    cat "$WORK/shell.log"
    exit 1
fi

DATA="$WORK/data"
STATE="$WORK/mouse.bin"
MOUSE=(--virtual-mouse="$STATE" --data-dir "$DATA")
mem() { od -An -tu1 -j "$1" -N "$2" "$STATE" | xargs; }
keys() { mem $((0x15)) 32; }

# Key 4 differs in each set (set 2 keeps the default), so every switch shows in the key matrix.
"${AS_USER[@]}" "$CLI" "${MOUSE[@]}" read >/dev/null || { echo "gnome focus test: the CLI found no mouse"; exit 1; }
"${AS_USER[@]}" "$CLI" "${MOUSE[@]}" set key 4 dpi-up >/dev/null &&
    "${AS_USER[@]}" "$CLI" "${MOUSE[@]}" set key 4 dpi-down --set 3 >/dev/null ||
    { echo "gnome focus test: set key failed"; exit 1; }
SET1=$(keys)
# Rules as the window stores them: alpha gets set 2, beta set 3, everything else set 1.
"${AS_USER[@]}" tee "$DATA/AppRules.ini" >/dev/null <<'INI'
[Rules]
Count=2
Paused=0
DefaultSet=1

[Rule1]
App=io.mivora.test.Alpha
KeySet=2

[Rule2]
App=io.mivora.test.beta
KeySet=3
INI

start_window() { # start_window APP_ID
    local id=$1
    "${AS_USER[@]}" gjs "$WORK/gnome_window.js" "$id" >"$WORK/$id.log" 2>&1 &
    STARTED+=($!)
    wait_for 'activate "$id"' 100
}
# activate NAME: as a task bar does; false when the Shell has no such window.
activate() { shell Activate "$1" | grep -q true; }
# mark: remembers how many switches the program has logged, for await_switch.
mark() { LINES=$(switches); }
# await_switch: the program's next switch after the mark, once it has ended, in SWITCH
# ("set=N ok=1"; empty after 10 s) and the key matrix then, in KEYS. The matrix is read only
# after the switch: while it runs, the mouse holds part of each set.
await_switch() {
    wait_for '[ "$(switches)" -gt "$LINES" ]' 100
    SWITCH=$(grep -o "FocusSwitch: set=[0-9]* stage=[-0-9]* ok=[01]" "$LOG" |
        sed -n "$((LINES + 1))p" | sed 's/FocusSwitch: //; s/ stage=[-0-9]*//')
    KEYS=$(keys)
}
switches() { grep -c "FocusSwitch:" "$LOG"; }
LOG="$WORK/mivora.log"
start_program() { # start_program QPA: the program, until it has read the mouse
    LOG="$WORK/mivora-$1.log"
    QT_QPA_PLATFORM=$1 "${AS_USER[@]}" "$PROGRAM/mivora" "${MOUSE[@]}" 2>"$LOG" &
    MAIN_PID=$!
    STARTED+=($MAIN_PID)
    if ! wait_for 'grep -q "ReadCurCfgThread Exit" "$LOG"' 150; then
        echo "gnome focus test: the program found no mouse"
        cat "$LOG"
        exit 1
    fi
}
stop_program() {
    kill "$MAIN_PID" 2>/dev/null
    wait_for '! kill -0 "$MAIN_PID" 2>/dev/null' 50
}

if ! start_window io.mivora.test.Alpha || ! start_window io.mivora.test.Beta; then
    echo "gnome focus test: the test windows did not appear"
    cat "$WORK"/io.mivora.test.*.log
    exit 1
fi

# 1. The program first, its window on the Shell: without the extension nothing switches.
start_program wayland
check "the program watches the GNOME Shell" "1" "$(grep -c "FocusWatch: GNOME Shell watching" "$LOG")"
check "the mouse starts with set 1" "$SET1" "$(keys)"
activate io.mivora.test.Alpha
sleep 0.5
check "without the extension alpha changes nothing" "0 $SET1" "$(switches) $(keys)"
# Enabled as the user does: the extension reports the window in front at once.
mark
"${AS_USER[@]}" gnome-extensions enable mivora-focus@mivora.io
await_switch
check "enabling the extension switches to alpha's set 2" "set=2 ok=1" "$SWITCH"
SET2=$KEYS
mark
activate io.mivora.test.Beta
await_switch
check "beta switches to set 3" "set=3 ok=1" "$SWITCH"
SET3=$KEYS
check "the three sets differ in the mouse" "yes" \
    "$([ "$SET2" != "$SET1" ] && [ "$SET3" != "$SET1" ] && [ "$SET3" != "$SET2" ] && echo yes)"
mark
activate io.mivora.test.Alpha
await_switch
check "alpha switches back to set 2" "set=2 ok=1 $SET2" "$SWITCH $KEYS"
mark
activate io.mivora.test.Beta
await_switch
check "beta switches to set 3 again" "set=3 ok=1 $SET3" "$SWITCH $KEYS"

# The program's own window: nothing changes, from beta's set.
mark
if activate "$MAIN_PID"; then
    sleep 0.5
    check "the program's own window is in front" "('$MAIN_PID',)" "$(shell Focused)"
    check "the program's own window changes nothing" "$LINES $SET3" "$(switches) $(keys)"
else
    failed=$((failed + 1))
    echo "FAILED: the program's window was not found"
fi
stop_program

# 2. The extension first: alpha in front while the program is away; when it starts again
# (offscreen, so no window of its own takes the focus) the extension reports alpha to it. The
# report may come before the program has read the mouse: that switch fails, and alpha's set
# follows once the mouse is read.
activate io.mivora.test.Alpha
sleep 0.5
check "alpha without the program changes nothing" "$SET3" "$(keys)"
start_program offscreen
check "the program watches the GNOME Shell again" "1" \
    "$(grep -c "FocusWatch: GNOME Shell watching" "$LOG")"
wait_for 'grep -q "FocusSwitch: set=2 stage=-1 ok=1" "$LOG"' 100
check "the running extension reports alpha to the new program" "$SET2" "$(keys)"
mark
activate io.mivora.test.Beta
await_switch
check "beta switches to set 3" "set=3 ok=1 $SET3" "$SWITCH $KEYS"
# Disabled as the user does: the extension lets go of the focus, so alpha changes nothing.
"${AS_USER[@]}" gnome-extensions disable mivora-focus@mivora.io
sleep 0.5
mark
activate io.mivora.test.Alpha
sleep 0.5
check "with the extension disabled alpha changes nothing" "$LINES $SET3" "$(switches) $(keys)"
stop_program
# The Shell names an extension's file in the stack of every error it logs from it.
check "the Shell logged no error of the extension" "0" \
    "$(grep -c "mivora-focus@mivora.io" "$WORK/shell.log")"

echo "gnome focus test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
