#!/usr/bin/env bash
# The real program under Xvfb on a private session bus with the accessibility bus running: what a
# screen reader sees of the main window, read with the AT-SPI client library (atspi_walk.py).
#   atspi_session_test.sh MIVORA
set -u
MIVORA=$1
source "$(dirname "$0")/session_lib.sh"
require_tools atspi Xvfb dbus-run-session xdotool
LAUNCHER=/usr/libexec/at-spi-bus-launcher
# Debian's own Python: the AT-SPI bindings are installed for it.
PYTHON=/usr/bin/python3
if [ ! -x "$LAUNCHER" ] || ! "$PYTHON" -c 'import pyatspi' 2>/dev/null; then
    echo "atspi test: at-spi2-core or python3-pyatspi is missing (scripts/deps.sh installs them)"
    exit 1
fi

WORK=$(mktemp -d)
XVFB_PID=
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

for n in $(seq 140 180); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
export DISPLAY=":$n"
wait_for "[ -e /tmp/.X11-unix/X$n ]" 100 || { echo "atspi test: Xvfb did not start"; exit 1; }

mkdir -p "$WORK/data" "$WORK/runtime"
chmod 700 "$WORK/runtime"
# English: the first start follows the desktop language, and the walk looks for "Key N".
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES
export XDG_RUNTIME_DIR="$WORK/runtime" MIVORA_POINTER_SETTINGS=none
# Inside the private bus: the accessibility bus, the window (told to speak to it whether or not a
# screen reader asked), then the reader's view.
dbus-run-session -- bash -c '
    "$0" --launch-immediately >"$1/launcher.log" 2>&1 &
    sleep 1
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$2" --virtual-mouse="$1/vm.bin" \
        --virtual-cid 0x4D --virtual-mid 0x02 --data-dir "$1/data" >"$1/mivora.log" 2>&1 &
    app=$!
    "$3" "$4" "$1/vm.bin"
    status=$?
    kill $app 2>/dev/null
    wait $app 2>/dev/null
    exit $status
' "$LAUNCHER" "$WORK" "$MIVORA" "$PYTHON" "$(dirname "$0")/atspi_walk.py"
status=$?
[ $status -ne 0 ] && { echo "--- mivora.log"; tail -20 "$WORK/mivora.log"; echo "--- launcher.log"; tail -5 "$WORK/launcher.log"; }
exit $status
