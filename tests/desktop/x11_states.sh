# Sourced by x11_session_test.sh once its own program has ended: the window's states without a
# usable mouse, on emulated hidraw nodes (mivora-hidemu) that the program finds through its real
# hidraw backend, and the window's fit at 125 % on a 1366x768 screen. Uses the session's
# helpers and variables; HIDEMU is the emulator.

# --- no mouse, a mouse plugged in later, the same node numbers again, no permission ---------
STATES_LOG="$WORK/states.log"
EMU_OUT="$WORK/emu.out"
emu() { # emu COMMAND: tells the emulator and waits until it has carried it out
    local cmd=$1 before
    before=$(grep -c "^ok $cmd\$" "$EMU_OUT")
    echo "$cmd" >&8
    wait_for '[ "$(grep -c "^ok $cmd\$" "$EMU_OUT")" -gt "$before" ]' 50 ||
        echo "note: the emulator did not answer $cmd"
}
shown() { grep -cF "Window shows: $1" "$STATES_LOG"; }
# await_shown TEXT: waits (10 s) until the status line says TEXT once more than it had.
await_shown() {
    local text=$1 before=$2
    wait_for '[ "$(shown "$text")" -gt "$before" ]' 100
}
emu_mem() { od -An -tu1 -j "$1" -N "$2" "$WORK/emu-mouse.bin" | xargs; }
yes_no() { "$@" && echo yes || echo no; }
# new_app_window PID: waits for a visible window of the program that was not there before the
# last call, into NEW.
APP_SEEN=""
new_app_window() {
    local i w
    NEW=""
    for ((i = 0; i < 50; i++)); do
        for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
            case " $APP_SEEN " in *" $w "*) ;; *)
                APP_SEEN="$APP_SEEN $w"
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

mkfifo "$WORK/emu.in"
"$HIDEMU" --fixture a --cid "$CID" --mid "$MID" --state "$WORK/emu-mouse.bin" \
    <"$WORK/emu.in" >"$EMU_OUT" 2>"$WORK/emu.err" &
STARTED+=($!)
EMU_PID=$!
exec 8>"$WORK/emu.in"
if ! wait_for 'grep -q "^sys=" "$EMU_OUT"' 100; then
    check "the hidraw emulator serves its nodes" yes no
    cat "$WORK/emu.err"
else
    SYS=$(sed -n 's/^sys=\([^ ]*\) dev=.*/\1/p' "$EMU_OUT")
    DEV=$(sed -n 's/^sys=[^ ]* dev=\(.*\)/\1/p' "$EMU_OUT")
    emu unplug
    # Where the permission help puts its controls: it is as wide as the commands, which name
    # the program folder, on a screen as wide as this one.
    printf '{"screens":[{"name":"x","x":0,"y":0,"width":1280,"height":1024,"logicalDpi":96,"logicalBaseDpi":96}]}' \
        >"$WORK/screen.json"
    mkdir -p "$WORK/probe-data3"
    QT_QPA_PLATFORM="offscreen:configfile=$WORK/screen.json" \
        "$PROBE" "$PROGRAM" "$WORK/probe-data3" "$CID" "$MID" >>"$WORK/layout" 2>>"$WORK/probe.log"

    "$PROGRAM/mivora" --sysfs-root "$SYS" --dev-root "$DEV" --data-dir "$WORK/data-states" \
        2>"$STATES_LOG" &
    STARTED+=($!)
    SPID=$!
    new_app_window "$SPID"
    SWIN=$NEW
    check "no mouse: the window says so" yes "$(yes_no await_shown 'No mouse connected' 0)"

    # The macro editor needs no mouse.
    click_at "$SWIN" macro
    new_app_window "$SPID"
    ED=$NEW
    # The editor, not a message that refuses it: a window of the editor's size.
    size=""
    [ -n "$ED" ] && size=$(xdotool getwindowgeometry --shell "$ED" | grep -E '^(WIDTH|HEIGHT)=' |
        cut -d= -f2 | xargs)
    check "no mouse: the macro editor opens" "$(pos ed_size)" "$size"
    [ -n "$ED" ] && click_at "$ED" ed_close
    wait_for '! xdotool getwindowname "$ED" >/dev/null 2>&1 || [ -z "$(xdotool search --onlyvisible --pid "$SPID" | grep -x "$ED")" ]' 30

    # A mouse plugged in later fills the window in, and its settings reach it.
    CONNECTED='Mivora Apex Pro · 2.4 GHz receiver'
    emu replug
    check "a mouse plugged in later fills the window in" yes \
        "$(yes_no await_shown "$CONNECTED" 0)"
    wait_for 'grep -q "ReadCurCfgThread Exit" "$STATES_LOG"' 100
    click_at "$SWIN" rate0
    check "the mouse plugged in later takes a change" 8 \
        "$(wait_for '[ $(($(emu_mem 0 1) & 15)) -eq 8 ]' 50; echo $(($(emu_mem 0 1) & 15)))"

    # Pulled and put back under the same node numbers, as the kernel reuses them.
    emu unplug
    check "an unplugged mouse: the window goes back to no mouse" yes \
        "$(yes_no await_shown 'No mouse connected' 1)"
    emu replug-same
    check "back under the same node numbers: found again" yes \
        "$(yes_no await_shown "$CONNECTED" 1)"
    wait_for '[ "$(grep -c "ReadCurCfgThread Exit" "$STATES_LOG")" -ge 2 ]' 100
    click_at "$SWIN" rate2
    check "the mouse back under its old numbers takes a change" 2 \
        "$(wait_for '[ $(($(emu_mem 0 1) & 15)) -eq 2 ]' 50; echo $(($(emu_mem 0 1) & 15)))"

    # Nodes the user may not open: the help says why, with the commands to copy.
    emu unplug
    await_shown 'No mouse connected' 2
    emu deny
    emu replug
    new_window "Permission needed"
    PD=$NEW
    check "no permission: the help opens" yes "$([ -n "$PD" ] && echo yes || echo no)"
    check "no permission: the window keeps a line about it" yes \
        "$(yes_no await_shown 'Mouse found, but Mivora may not open it' 0)"
    if [ -n "$PD" ]; then
        click_at "$PD" perm_copy
        clip=$(timeout 5 xclip -o -selection clipboard 2>/dev/null)
        check "the commands are copied to the clipboard" yes \
            "$([[ $clip == *"70-mivora.rules' /etc/udev/rules.d/"* && $clip == *"udevadm control --reload"* ]] && echo yes || echo no)"
        click_at "$PD" perm_field
        xdo key --clearmodifiers ctrl+a
        sleep 0.3
        selected=$(timeout 5 xclip -o -selection primary 2>/dev/null)
        check "the commands stand in the field to select" "$clip" "$selected"
    fi
    # The rule installed by hand: the next search opens the mouse, the help goes by itself.
    emu allow
    check "allowed: the window fills in" yes "$(yes_no await_shown "$CONNECTED" 2)"
    check "allowed: the help closes by itself" "" \
        "$(wait_for '[ -z "$(windows "Permission needed")" ]' 30; windows "Permission needed")"
    kill -TERM "$SPID"
    wait_for '! kill -0 "$SPID" 2>/dev/null' 50
fi
exec 8>&- # the emulator ends and unmounts its nodes
wait_for '! kill -0 "$EMU_PID" 2>/dev/null' 50

# --- 125 % on a 1366x768 screen: the window fits, its bottom row on the screen --------------
Xvfb -displayfd 9 -screen 0 1366x768x24 -nolisten tcp 9>"$WORK/display-small" \
    2>"$WORK/xvfb-small.log" &
STARTED+=($!)
if wait_for '[ -s "$WORK/display-small" ]' 100; then
    SMALL=":$(head -n1 "$WORK/display-small")"
    DISPLAY=$SMALL QT_SCALE_FACTOR=1.25 "$PROGRAM/mivora" --virtual-mouse \
        --data-dir "$WORK/data-small" 2>"$WORK/small.log" &
    STARTED+=($!)
    FPID=$!
    wait_for '[ -n "$(DISPLAY=$SMALL xdotool search --onlyvisible --name "^Mivora Control Center\$" 2>/dev/null)" ]' 100
    sleep 0.5
    w=$(DISPLAY=$SMALL xdotool search --onlyvisible --name "^Mivora Control Center\$" 2>/dev/null | head -n1)
    geometry=""
    [ -n "$w" ] && geometry=$(DISPLAY=$SMALL xdotool getwindowgeometry --shell "$w")
    X=-1 Y=-1 WIDTH=0 HEIGHT=0
    eval "$(echo "$geometry" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
    check "125 % on 1366x768: the whole window is on the screen" yes \
        "$([ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1366 ] && [ $((Y + HEIGHT)) -le 768 ] && [ "$HEIGHT" -gt 600 ] && echo yes || echo "no ($geometry)")"
    kill -TERM "$FPID"
    wait_for '! kill -0 "$FPID" 2>/dev/null' 50
else
    check "a 1366x768 X server starts" yes no
fi
