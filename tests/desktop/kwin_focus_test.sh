#!/bin/bash
# Per-application key sets in a real KWin: kwin_wayland headless (its virtual backend) on a bus
# of the test's own, two Wayland windows of different app ids (wl_window.py), activated in turn
# by a test-only KWin script. Each activation must switch the virtual mouse's key set (checked in
# its memory, the state file); the program's own window changes nothing; the program's script is
# gone from KWin when the program ends; and after KWin is killed and started again on the same
# bus the program loads its script again, so the next activation still switches.
#   kwin_focus_test.sh MIVORA MIVORA_CLI
# Skipped (77) without kwin_wayland, except under CI=true. Every wait is bounded; the servers
# and programs it starts are ended by their ids.
set -u
MIVORA=$1
CLI=$2
PROGRAM_DIR=$(dirname "$MIVORA")
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/session_lib.sh"
skip_without kwin-focus kwin_wayland
require_tools kwin-focus dbus-daemon dbus-monitor busctl python3 od

WORK=$(mktemp -d)
BUS_PID=
KWIN_PID=
MAIN_PID=
declare -a STARTED=()
cleanup() {
    local pid
    [ -n "$MAIN_PID" ] && kill -KILL "$MAIN_PID" 2>/dev/null
    for pid in "${STARTED[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    [ -n "$KWIN_PID" ] && kill -KILL "$KWIN_PID" 2>/dev/null
    [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
# KWin runs as nobody when the test runs as root: it reads the program's script and the test's
# scripts from here.
chmod 755 "$WORK"

# A bus of the test's own that KWin (perhaps another user) and the program both reach.
BUS="unix:path=$WORK/bus"
cat >"$WORK/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>$BUS</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$WORK/bus.conf" --nofork >"$WORK/bus.log" 2>&1 &
BUS_PID=$!
if ! wait_for '[ -S "$WORK/bus" ]' 50; then
    echo "kwin focus test: the bus did not start"
    cat "$WORK/bus.log"
    exit 1
fi
chmod 777 "$WORK/bus"
export DBUS_SESSION_BUS_ADDRESS=$BUS
# What KWin's side sends the program: the texts of each Activated call, one call a line
# ("class|instance|app id|pid|title").
dbus-monitor "type='method_call',interface='io.mivora.Mivora1.Focus',member='Activated'" \
    >"$WORK/monitor.log" 2>&1 &
STARTED+=("$!")
reports() {
    awk '/member=Activated/ { if (n) print line; n = 0; line = ""; next }
        /^ *string "/ { sub(/^ *string "/, ""); sub(/"$/, ""); line = line (n++ ? "|" : "") $0 }
        END { if (n) print line }' "$WORK/monitor.log"
}
kwin_bus() { timeout 10 busctl --user call org.kde.KWin "$@"; }

# The installed kwin_wayland carries a file capability that a container may refuse to run; a
# copy has none. It must keep its name: KWin's own platform plugin checks it.
KWIN_DIR="$WORK/kwin"
mkdir -p "$WORK/kwin-bin" "$KWIN_DIR" && chmod 700 "$KWIN_DIR"
cp "$(command -v kwin_wayland)" "$WORK/kwin-bin/kwin_wayland"
AS_USER=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$KWIN_DIR"
    AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
SOCKET=mivora-kwin
KWIN_RUNS=0
# start_kwin: a new KWin on the bus; ready once its scripting object answers.
start_kwin() {
    KWIN_RUNS=$((KWIN_RUNS + 1))
    KWIN_LOG="$WORK/kwin-$KWIN_RUNS.log"
    env -i PATH=/usr/bin:/bin HOME="$KWIN_DIR" XDG_RUNTIME_DIR="$KWIN_DIR" \
        DBUS_SESSION_BUS_ADDRESS="$BUS" "${AS_USER[@]}" "$WORK/kwin-bin/kwin_wayland" --virtual \
        --no-lockscreen --no-global-shortcuts --no-kactivities --socket "$SOCKET" \
        --width 800 --height 600 >"$KWIN_LOG" 2>&1 &
    KWIN_PID=$!
    if ! wait_for '[ -S "$KWIN_DIR/$SOCKET" ] &&
        busctl --user introspect org.kde.KWin /Scripting org.kde.kwin.Scripting >/dev/null 2>&1' 300; then
        echo "kwin focus test: KWin did not start"
        cat "$KWIN_LOG"
        exit 1
    fi
}
stop_kwin() {
    kill -KILL "$KWIN_PID" 2>/dev/null
    wait "$KWIN_PID" 2>/dev/null
    KWIN_PID=
}
script_loaded() { kwin_bus /Scripting org.kde.kwin.Scripting isScriptLoaded s "$1"; }

# activate CONDITION NAME: a test-only script makes the window for which CONDITION (JavaScript on
# the window w) holds the active one, as a task bar does; waits until KWin says it is.
ACTIVATIONS=0
activate() {
    local script id want="kwin-focus-test: $((ACTIVATIONS + 1)) active $2"
    ACTIVATIONS=$((ACTIVATIONS + 1))
    script="$WORK/activate-$ACTIVATIONS.js"
    cat >"$script" <<JS
const windows = workspace.clientList();
for (let i = 0; i < windows.length; ++i) {
    const w = windows[i];
    if ($1) workspace.activeClient = w;
}
const now = workspace.activeClient;
print("kwin-focus-test: $ACTIVATIONS active " + (now ? now.resourceClass + " " + now.pid : "none"));
JS
    chmod 644 "$script"
    kwin_bus /Scripting org.kde.kwin.Scripting unloadScript s kwin-focus-test >/dev/null
    id=$(kwin_bus /Scripting org.kde.kwin.Scripting loadScript ss "$script" kwin-focus-test |
        awk '{ print $2 }')
    [ -n "$id" ] && [ "$id" -ge 0 ] 2>/dev/null || echo "kwin focus test: KWin refused a test script"
    # Plasma 5 serves a loaded script at /ID. Not Scripting.start: it would also run the
    # program's script, were it loaded and left waiting.
    kwin_bus "/$id" org.kde.kwin.Script run >/dev/null
    if ! wait_for 'grep -q "$want" "$KWIN_LOG"' 100; then
        failed=$((failed + 1))
        echo "FAILED: KWin did not activate $2: $(grep "kwin-focus-test: $ACTIVATIONS " "$KWIN_LOG")"
    fi
}

WINDOWS=0
declare -a WINDOW_PIDS=()
start_window() { # start_window APP_ID
    WINDOWS=$((WINDOWS + 1))
    WAYLAND_DISPLAY="$KWIN_DIR/$SOCKET" python3 "$HERE/wl_window.py" "$1" >"$WORK/window-$WINDOWS.out" 2>&1 &
    WINDOW_PID=$!
    STARTED+=("$WINDOW_PID")
    WINDOW_PIDS+=("$WINDOW_PID")
    wait_for 'grep -q mapped "$WORK/window-$WINDOWS.out"' 100 ||
        { echo "kwin focus test: window $1 did not appear"; cat "$WORK/window-$WINDOWS.out"; exit 1; }
}

export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/home/.config"
export XDG_DATA_HOME="$WORK/home/.local/share" MIVORA_POINTER_SETTINGS=none
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY="$KWIN_DIR/$SOCKET"
# No seat on KWin's virtual backend: the plain compose input method stands in for the toolkit's
# Wayland text input, which reads it.
export QT_IM_MODULE=compose
unset DISPLAY SESSION_MANAGER SWAYSOCK LC_ALL LC_MESSAGES MIVORA_FOCUS_SOURCE
export LANG=C.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

DATA="$WORK/data"
STATE="$WORK/mouse.bin"
MOUSE=(--virtual-mouse="$STATE" --data-dir "$DATA")
keys() { od -An -tu1 -j $((0x15)) -N 32 "$STATE" | xargs; }
# Key 4 differs in each set: set 1 dpi-up, set 2 as it came, set 3 dpi-down. The matrix the
# mouse holds with each set current is what the checks expect.
cli() { "$CLI" "${MOUSE[@]}" "$@" >/dev/null || { echo "kwin focus test: mivora-cli $* failed"; exit 1; }; }
cli read
cli set key 4 dpi-up
cli set key 4 dpi-down --set 3
cli keyset 3
SET3=$(keys)
cli keyset 2
SET2=$(keys)
cli keyset 1
SET1=$(keys)
[ "$SET1" != "$SET2" ] && [ "$SET2" != "$SET3" ] && [ "$SET1" != "$SET3" ] ||
    { echo "kwin focus test: the key sets do not differ"; exit 1; }
cat >"$DATA/AppRules.ini" <<'INI'
[Rules]
Count=2
Paused=0
DefaultSet=1

[Rule1]
App=alpha
KeySet=2

[Rule2]
App=beta
KeySet=3
INI
# expect NAME SET: waits up to 10 s (a loaded machine is slow, not wrong) for the mouse to hold
# the key set.
expect() {
    local want=$2
    wait_for '[ "$(keys)" == "$want" ]' 100
    check "$1" "$want" "$(keys)"
}

PROGRAM="$WORK/program"
copy_program "$PROGRAM_DIR" "$PROGRAM"
# start_program QPA LOG: the program, once it has read the mouse and watches KWin.
start_program() {
    LOG=$2
    QT_QPA_PLATFORM=$1 "$PROGRAM/mivora" "${MOUSE[@]}" 2>"$LOG" &
    MAIN_PID=$!
    if ! wait_for 'grep -q "ReadCurCfgThread Exit" "$LOG" && grep -q "FocusWatch: KWin" "$LOG"' 300; then
        echo "kwin focus test: the program did not start watching"
        tail -n 30 "$LOG"
        exit 1
    fi
    check "the program watches KWin ($1)" "1" "$(grep -c "FocusWatch: KWin watching" "$LOG")"
}
stop_program() {
    kill "$MAIN_PID" 2>/dev/null
    wait_for '! kill -0 "$MAIN_PID" 2>/dev/null' 100
    MAIN_PID=
}

start_kwin
start_window alpha
ALPHA_PID=$WINDOW_PID
start_window beta

# The program's window on KWin itself, so that KWin can bring it in front.
start_program wayland "$WORK/mivora-1.log"
check "the command line names the source" "application switching: KWin focus source, 2 rules, on" \
    "$("$CLI" "${MOUSE[@]}" status 2>&1 | grep "application switching")"
check "the program's script is in KWin" "b true" "$(script_loaded mivora-focus)"
activate 'w.resourceClass == "alpha"' alpha
expect "alpha switches the mouse to set 2" "$SET2"
# The class comes from Plasma 5 as bytes: it must arrive as text, the pid as decimal text.
check "KWin's script tells the program alpha's names and pid" "alpha||alpha|$ALPHA_PID|alpha" \
    "$(reports | grep "^alpha|" | tail -n1)"
activate 'w.resourceClass == "beta"' beta
expect "beta switches the mouse to set 3" "$SET3"
activate 'w.resourceClass == "alpha"' alpha
expect "alpha again: set 2" "$SET2"

# The program's own window would get the default set if it were any other application.
SWITCHES=$(grep -c "FocusSwitch:" "$LOG")
OWN_REPORTS=$(reports | grep -c "|$MAIN_PID|")
activate "w.pid == $MAIN_PID" "[^ ]* $MAIN_PID\$"
wait_for '[ "$(reports | grep -c "|$MAIN_PID|")" -gt "$OWN_REPORTS" ]' 100
check "KWin's script reports the program's own window" "yes" \
    "$([ "$(reports | grep -c "|$MAIN_PID|")" -gt "$OWN_REPORTS" ] && echo yes || echo no)"
sleep 1
check "the program's own window changes nothing" "$SET2" "$(keys)"
check "no switch for the own window" "$SWITCHES" "$(grep -c "FocusSwitch:" "$LOG")"
stop_program
check "the program's script leaves KWin with the program" "b false" "$(script_loaded mivora-focus)"

# The program again, offscreen this time: the toolkit here ends a Wayland program whose
# compositor went away, and KWin goes away below. KWin now holds only the test's script, so it
# gives the program's script a number (and object path) the test's script still has.
start_program offscreen "$WORK/mivora-2.log"
activate 'w.resourceClass == "beta"' beta
expect "a program started again runs its script: beta switches to set 3" "$SET3"
# KWin ends (its Wayland clients with it) and comes back on the same bus.
stop_kwin
for pid in "${WINDOW_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
WINDOW_PIDS=()
start_kwin
start_window alpha
start_window beta
wait_for '[ "$(script_loaded mivora-focus)" == "b true" ]' 100
check "the script is loaded into the new KWin" "b true" "$(script_loaded mivora-focus)"
activate 'w.resourceClass == "alpha"' alpha
expect "after KWin's restart alpha switches to set 2" "$SET2"
activate 'w.resourceClass == "beta"' beta
expect "after KWin's restart beta switches to set 3" "$SET3"
stop_program

echo "kwin focus test: $passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    echo "--- the program's logs"
    grep -h "Focus\|KWin\|D-Bus" "$WORK"/mivora-*.log
    echo "--- KWin's"
    grep -v "borderActivated" "$WORK"/kwin-*.log | tail -n 30
    echo "--- what KWin's side sent"
    reports
fi
[ "$failed" -eq 0 ]
