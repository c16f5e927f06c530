#!/bin/bash
# Runs the real mivora under Wayland compositors of its own, with the toolkit's Wayland
# platform. First weston's headless backend (no XWayland): the screenshot run shows every
# window for real: the main window, the function menu, each message dialog form, the macro
# editor and the rest. It passes when the program ends cleanly, wrote its pictures, and the
# toolkit printed no warning (on Wayland a window cannot place itself, so a menu or popup
# without a parent, or a window that asks for a position or for the focus, is warned about).
# Then a desktop session under a headless sway, driven by a virtual pointer (wl_client.py):
# a second start brings back the window the user cannot see, and a click outside closes a
# menu.
#   wayland_session_test.sh MIVORA LAYOUT_PROBE
set -u
MIVORA=$1
PROBE=$2
PROGRAM_DIR=$(dirname "$MIVORA")
HERE=$(dirname "$0")
source "$HERE/session_lib.sh"
require_tools wayland weston sway swaymsg python3

WORK=$(mktemp -d)
WESTON_PID=
declare -a STARTED=()
cleanup() {
    local pid
    [ -n "$WESTON_PID" ] && kill "$WESTON_PID" 2>/dev/null
    for pid in "${STARTED[@]}"; do kill "$pid" 2>/dev/null; done
    exec 8>&- 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$WORK/run" HOME="$WORK/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
SOCKET=mivora-test
weston --backend=headless-backend.so --socket="$SOCKET" --idle-time=0 --no-config \
    --width=1280 --height=1024 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
if ! wait_for '[ -S "$XDG_RUNTIME_DIR/$SOCKET" ]' 100; then
    echo "wayland test: weston did not start"
    cat "$WORK/weston.log"
    exit 1
fi

export WAYLAND_DISPLAY=$SOCKET QT_QPA_PLATFORM=wayland
# The headless backend has no seat (no keyboard or pointer); the toolkit's Wayland text-input
# support reads the missing seat when a line edit draws its cursor. A desktop always has one;
# here the plain compose input method stands in.
export QT_IM_MODULE=compose
export QT_MESSAGE_PATTERN='QTMSG %{type} %{category}: %{message}'
status=0
timeout 90 "$MIVORA" --virtual-mouse --screenshot "$WORK/shots" >"$WORK/out.log" 2>"$WORK/err.log" ||
    status=$?

check "the program ends cleanly" 0 "$status"
shots=$(find "$WORK/shots" -name '*.png' 2>/dev/null | wc -l)
check "windows shown and written" yes "$([ "$shots" -ge 20 ] && echo yes || echo "no ($shots)")"
for name in main_4D01 nomouse menu_4D01 editor picker msg_message about; do
    check "$name shown" yes "$(ls "$WORK/shots/$name"_*.png >/dev/null 2>&1 && echo yes || echo no)"
done
warnings=$(grep -E '^QTMSG (warning|critical|fatal)' "$WORK/err.log")
check "no toolkit warning" "" "$warnings"
kill "$WESTON_PID" 2>/dev/null
wait "$WESTON_PID" 2>/dev/null
WESTON_PID=

# --- a desktop session under sway ----------------------------------------------------------
CID=0x4D
MID=0x02
mkdir -p "$WORK/probe-data"
QT_QPA_PLATFORM=offscreen "$PROBE" "$PROGRAM_DIR" "$WORK/probe-data" "$CID" "$MID" \
    >"$WORK/layout" 2>"$WORK/probe.log" || {
    echo "wayland test: the layout probe failed"
    cat "$WORK/probe.log"
    exit 1
}
pos() { awk -v n="$1" '$1 == n { xy = $2 " " $3 } END { if (xy != "") print xy }' "$WORK/layout"; }

# sway refuses to run as root: a root test run starts it as the user nobody, in a folder of
# its own; the program reaches it by the socket's full path.
SWAY_DIR="$WORK/sway"
mkdir -p "$SWAY_DIR" && chmod 700 "$SWAY_DIR"
cat >"$SWAY_DIR/config" <<'CONFIG'
output HEADLESS-1 resolution 1280x1024
default_floating_border none
focus_on_window_activation focus
CONFIG
AS_USER=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$SWAY_DIR"
    chmod 755 "$WORK"
    AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
env -i XDG_RUNTIME_DIR="$SWAY_DIR" HOME="$SWAY_DIR" PATH=/usr/bin:/bin WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${AS_USER[@]}" sway -c "$SWAY_DIR/config" \
    >"$WORK/sway.log" 2>&1 &
STARTED+=($!)
sway_socket() { find "$SWAY_DIR" -maxdepth 1 -name 'sway-ipc.*' 2>/dev/null | head -n1; }
wayland_socket() { find "$SWAY_DIR" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -n1; }
if ! wait_for '[ -n "$(sway_socket)" ] && [ -n "$(wayland_socket)" ]' 100; then
    echo "wayland test: sway did not start"
    cat "$WORK/sway.log"
    exit 1
fi
swayctl() { timeout 5 swaymsg -s "$(sway_socket)" "$@"; }
focused_workspace() {
    swayctl -t get_workspaces | python3 -c 'import json, sys
print(" ".join(w["name"] for w in json.load(sys.stdin) if w["focused"]))'
}
# "X Y FOCUSED" of the program's main window; empty while it has none.
main_window() {
    swayctl -t get_tree | python3 -c 'import json, sys
def walk(n):
    if n.get("app_id") == "mivora" and n.get("name") == "Mivora Control Center":
        r, w = n["rect"], n["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"], "yes" if n["focused"] else "no")
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))' | head -n1
}

export WAYLAND_DISPLAY
WAYLAND_DISPLAY=$(wayland_socket)
PROGRAM="$WORK/program"
copy_program "$PROGRAM_DIR" "$PROGRAM" # menus log when they open
LOG="$WORK/mivora.log"
ARGS=(--virtual-mouse="$WORK/mouse.bin" --virtual-cid "$CID" --virtual-mid "$MID"
    --data-dir "$WORK/data")
"$PROGRAM/mivora" "${ARGS[@]}" 2>"$LOG" &
STARTED+=($!)
if ! wait_for 'grep -q "ReadCurCfgThread Exit" "$LOG" && [ -n "$(main_window)" ]' 150; then
    echo "wayland test: no main window under sway"
    tail -n 20 "$LOG"
    exit 1
fi
# The client that stands in for the user's launcher and pointer: one command a line.
mkfifo "$WORK/client.in"
python3 "$HERE/wl_client.py" 1280 1024 <"$WORK/client.in" >"$WORK/client.out" 2>&1 &
STARTED+=($!)
exec 8>"$WORK/client.in"
replies=0
client() { # client COMMAND...: runs it and prints its answer
    echo "$*" >&8
    replies=$((replies + 1))
    wait_for '[ "$(wc -l <"$WORK/client.out")" -ge "$replies" ]' 50 || { echo "no answer"; return; }
    sed -n "${replies}p" "$WORK/client.out"
}

# A second start brings the window back: here the window is on a workspace the user left (the
# closest a tiling compositor has to minimised), and only the activation token the launcher
# gave the second copy may raise it. Before any input reached the program, which could
# otherwise lend it a token of its own.
swayctl workspace 2 >/dev/null
check "the window is out of sight" 2 "$(focused_workspace)"
token=$(client token)
XDG_ACTIVATION_TOKEN=$token timeout 20 "$PROGRAM/mivora" "${ARGS[@]}" 2>"$WORK/second.log"
check "the second copy ends" 0 "$?"
wait_for '[ "$(focused_workspace)" == 1 ]' 30
check "a second start brings the window back" "1 yes" \
    "$(focused_workspace) $(main_window | awk '{ print $3 }')"

# A menu opened by a click, then a click outside the window closes it: on a panel, which
# leaves the window the focus, so only the compositor can tell the program.
swayctl workspace 1 >/dev/null
client panel 40 >/dev/null
read -r wx wy _ <<<"$(main_window)"
read -r kx ky <<<"$(pos key1)"
client move $((wx + kx)) $((wy + ky)) >/dev/null
client click >/dev/null
check "the key's menu opens" yes \
    "$(wait_for 'grep -q "Popup menu shown" "$LOG"' 30 && echo yes || echo no)"
client move 20 20 >/dev/null
client click >/dev/null
check "a click on a panel outside the window closes the menu" yes \
    "$(wait_for 'grep -q "Popup menu closed" "$LOG"' 30 && echo yes || echo no)"
echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    echo "--- the program's messages"
    tail -n 40 "$WORK/err.log"
    echo "--- weston's"
    tail -n 20 "$WORK/weston.log"
    echo "--- the program's under sway"
    tail -n 20 "$WORK/mivora.log" 2>/dev/null
    echo "--- the pointer's"
    cat "$WORK/client.out" 2>/dev/null
fi
[ "$failed" -eq 0 ]
