#!/bin/bash
# Runs the real mivora under a Wayland compositor of its own (weston's headless backend, no
# XWayland) with the toolkit's Wayland platform. The screenshot run shows every window for
# real: the main window, the function menu, each message dialog form, the macro editor and
# the rest. It passes when the program ends cleanly, wrote its pictures, and the toolkit
# printed no warning (on Wayland a window cannot place itself, so a menu or popup without a
# parent, or a window that asks for a position or for the focus, is warned about).
#   wayland_session_test.sh MIVORA
set -u
MIVORA=$1
source "$(dirname "$0")/session_lib.sh"
require_tools wayland weston

WORK=$(mktemp -d)
WESTON_PID=
cleanup() {
    [ -n "$WESTON_PID" ] && kill "$WESTON_PID" 2>/dev/null
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
echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    echo "--- the program's messages"
    tail -n 40 "$WORK/err.log"
    echo "--- weston's"
    tail -n 20 "$WORK/weston.log"
fi
[ "$failed" -eq 0 ]
