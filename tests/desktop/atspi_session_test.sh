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
# screen reader asked), then the reader's view. Then the window again on the same memory with a
# mouse that refuses every write, for what the reader hears of a failed change.
dbus-run-session -- bash -c '
    work=$1 mivora=$2 python=$3 walk=$4
    "$0" --launch-immediately >"$work/launcher.log" 2>&1 &
    sleep 1
    run() { # run FAULTS WALK-ARGUMENTS...
        local faults=$1 app status
        shift
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$mivora" \
            --virtual-mouse="$work/vm.bin" --virtual-cid 0x4D --virtual-mid 0x02 \
            --data-dir "$work/data" ${faults:+--virtual-faults "$faults"} >>"$work/mivora.log" 2>&1 &
        app=$!
        "$python" "$walk" "$@"
        status=$?
        kill $app 2>/dev/null
        wait $app 2>/dev/null
        return $status
    }
    run "" "$work/vm.bin"
    status=$?
    echo "--- a mouse that refuses writes"
    run "fail-write=1:1000" "$work/vm.bin" fail || status=1
    exit $status
' "$LAUNCHER" "$WORK" "$MIVORA" "$PYTHON" "$(dirname "$0")/atspi_walk.py"
status=$?
[ $status -ne 0 ] && { echo "--- mivora.log"; tail -20 "$WORK/mivora.log"; echo "--- launcher.log"; tail -5 "$WORK/launcher.log"; }
exit $status
