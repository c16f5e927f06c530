#!/usr/bin/env bash
# The real program offscreen on a private session bus against the virtual mouse: its interface
# driven with busctl, each result read back from the mouse's memory (the state file), and
# mivora-cli's commands through the running window compared with the same commands alone.
#   dbus_session_test.sh MIVORA MIVORA_CLI
set -u
MIVORA=$1
CLI=$2
source "$(dirname "$0")/session_lib.sh"
require_tools dbus dbus-run-session busctl cmp od

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/side1" "$WORK/side2" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export LANG=C.UTF-8 XDG_RUNTIME_DIR="$WORK/runtime" MIVORA_POINTER_SETTINGS=none
export QT_QPA_PLATFORM=offscreen
unset LC_ALL LC_MESSAGES

# Inside the private bus (the exit status is the number of failed checks).
# side1 is the window's (data folder and state file), side2 the command's alone.
run() {
    source "$TESTDIR/session_lib.sh"
    local W=$WORK B="busctl --user" OBJ="io.mivora.Mivora1 /io/mivora/Mivora1/mouse0"
    local IF=io.mivora.Mivora1.Mouse
    # The same factory mouse for the window and for the command alone.
    "$CLI" --virtual-mouse="$W/side2.bin" --data-dir "$W/side2" status >/dev/null
    cp "$W/side2.bin" "$W/side1.bin"
    "$MIVORA" --virtual-mouse="$W/side1.bin" --data-dir "$W/side1" >"$W/mivora.log" 2>&1 &
    local app=$!
    wait_for "$B get-property $OBJ $IF Connected 2>/dev/null | grep -q true" 100 ||
        { echo "FAILED: the window did not serve the mouse"; kill $app; return 1; }
    "$CLI" --virtual-mouse="$W/side2.bin" --data-dir "$W/side2" read >/dev/null

    # Memory byte at an address of the state file, in decimal.
    byte() { od -An -tu1 -j "$(($2))" -N1 "$1" | tr -d ' '; }

    check "introspection names the interface" 1 \
        "$($B introspect $OBJ $IF 2>/dev/null | grep -c '^\.DpiStageChanged *signal')"

    # Set over the bus: stage 1 takes stage 0's DPI, so its code in memory must equal stage 0's.
    local dpi0
    dpi0=$($B call $OBJ $IF Read | sed 's/\\"/"/g' | grep -o '"stages":\[{"x":[0-9]*' |
        grep -o '[0-9]*$')
    $B call $OBJ $IF Set as 3 dpi 1 "$dpi0" >/dev/null
    check "Set is in the mouse's memory" "$(byte "$W/side1.bin" 0x06)" "$(byte "$W/side1.bin" 0x09)"

    # A bad value: a D-Bus error with the CLI's message, and the memory as it was.
    cp "$W/side1.bin" "$W/before.bin"
    local err
    err=$($B call $OBJ $IF Set as 3 dpi 1 77 2>&1)
    check "a bad value is an error" "Call failed: 77 DPI is not a value of this mouse's sensor" \
        "$err"
    check "a bad value changes nothing" same "$(cmp -s "$W/before.bin" "$W/side1.bin" && echo same)"

    # A stage change is announced.
    $B monitor --match "type='signal',member='DpiStageChanged'" >"$W/monitor.log" 2>&1 &
    local mon=$!
    sleep 0.5
    $B call $OBJ $IF Set as 2 stage 2 >/dev/null
    check "the stage is in memory" 2 "$(byte "$W/side1.bin" 0x04)"
    wait_for "grep -q 'DpiStageChanged' '$W/monitor.log'" 50
    check "DpiStageChanged is emitted" yes \
        "$(grep -q 'Member=DpiStageChanged' "$W/monitor.log" && echo yes)"
    kill $mon 2>/dev/null
    # Key set 2 (index 1) and back.
    $B call $OBJ $IF SwitchKeySet i 1 >/dev/null
    check "the key set is switched" "i 1" "$($B get-property $OBJ $IF KeySet)"
    $B call $OBJ $IF SwitchKeySet i 0 >/dev/null
    check "the key set is switched back" "i 0" "$($B get-property $OBJ $IF KeySet)"

    # Back to where the command alone starts.
    $B call $OBJ $IF Set as 3 dpi 1 "$dpi0" >/dev/null
    "$CLI" --virtual-mouse="$W/side2.bin" --data-dir "$W/side2" set dpi 1 "$dpi0" >/dev/null
    $B call $OBJ $IF Set as 2 stage 2 >/dev/null
    "$CLI" --virtual-mouse="$W/side2.bin" --data-dir "$W/side2" set stage 2 >/dev/null

    # Rules by application beside the profiles the table exports (an export without rules
    # leaves them): the first import takes them, the next keeps them, --rules replaces them.
    local side
    for side in side1 side2; do
        printf '[Rules]\nCount=1\nPaused=0\nDefaultSet=1\n\n[Rule1]\nApp=firefox\nKeySet=2\n' \
            >"$W/$side.rules.ini"
    done

    # The CLI through the window prints what it prints alone, with the same exit code, and
    # leaves the mouse's memory the same.
    local words
    while IFS= read -r words; do
        [ -z "$words" ] && continue
        local w a
        # shellcheck disable=SC2086
        "$CLI" --data-dir "$W/side1" ${words//@/side1} >"$W/w.out" 2>"$W/w.err"
        w=$?
        # shellcheck disable=SC2086
        "$CLI" --virtual-mouse="$W/side2.bin" --data-dir "$W/side2" ${words//@/side2} \
            >"$W/a.out" 2>"$W/a.err"
        a=$?
        check "cli $words: exit code" "$a" "$w"
        check "cli $words: output" "$(cat "$W/a.out")" "$(sed "s/side1/side2/g" "$W/w.out")"
        check "cli $words: errors" "$(cat "$W/a.err")" "$(sed "s/side1/side2/g" "$W/w.err")"
    done <<EOF
read --json
read
set dpi 0 $dpi0
set stage 1
set dpi 1 77
set rate 300
set light 1 --color zz
set key 99 left
set frobnicate
keyset 2
keyset 4
set key 1 right --set 3
keyset 1
apply
restore
read --json
export $W/@.zqa
import $W/@.zqa
import $W/@.zqa
import $W/@.zqa --rules
import $W/@.zqa --rule
import $W/missing.zqa
read --json
EOF
    check "cli: the mouse's memory is the same" same \
        "$(cmp -s "$W/side2.bin" "$W/side1.bin" && echo same)"
    check "cli: the rules taken are the same" same \
        "$(cmp -s "$W/side2/AppRules.ini" "$W/side1/AppRules.ini" && echo same)"
    check "cli: the window took the rules" 1 "$(grep -c '^App=firefox$' "$W/side1/AppRules.ini")"

    # --direct keeps the old refusal while the window runs.
    local direct
    direct=$("$CLI" --direct --data-dir "$W/side1" set stage 0 2>&1)
    check "--direct is refused while the window runs" "1:mivora-cli: the Mivora window is open; change the settings there or close it first (nothing was changed)" \
        "$?:$direct"
    check "--direct changed nothing" 1 "$(byte "$W/side1.bin" 0x04)"

    kill $app
    wait $app 2>/dev/null
    echo "dbus session test: $passed passed, $failed failed"
    return "$failed"
}
export -f run check wait_for
TESTDIR=$(cd "$(dirname "$0")" && pwd)
export WORK MIVORA CLI TESTDIR
dbus-run-session -- bash -c run 2>&1 | grep -v 'Failed to set fd limit'
status=${PIPESTATUS[0]}
[ "$status" -ne 0 ] && { echo "--- mivora.log"; tail -20 "$WORK/mivora.log"; }
exit "$status"
