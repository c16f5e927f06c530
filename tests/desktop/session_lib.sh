# What the desktop-session tests share: sourced by the session test scripts.
passed=0
failed=0

# require_tools NAME TOOL...: ends the test when a tool the scripts install is missing.
require_tools() {
    local name=$1 tool
    shift
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$name test: $tool is missing (scripts/deps.sh installs it)"
            exit 1
        fi
    done
}

check() { # check NAME EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
        echo "ok: $1"
    else
        failed=$((failed + 1))
        echo "FAILED: $1: expected '$2', got '$3'"
    fi
}

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
    local i
    for ((i = 0; i < $2; i++)); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

# start_xvfb NAME SIZE: an X server of its own on a display it picks, in XVFB_DISPLAY and
# XVFB_PID (its number in XVFB_FILE, its log in $WORK/xvfb-NAME.log); ends the test when it
# does not start.
start_xvfb() {
    XVFB_FILE="$WORK/display-$1"
    Xvfb -displayfd 9 -screen 0 "$2x24" -nolisten tcp 9>"$XVFB_FILE" 2>"$WORK/xvfb-$1.log" &
    XVFB_PID=$!
    if ! wait_for '[ -s "$XVFB_FILE" ]' 100; then
        echo "$1 test: Xvfb did not start"
        cat "$WORK/xvfb-$1.log"
        exit 1
    fi
    XVFB_DISPLAY=":$(head -n1 "$XVFB_FILE")"
}

# copy_program PROGRAM_DIR DEST: the program folder without tests and tools, with logging on
# (cfg.ini's Debug=1, logged to stderr): the scripts follow the program's threads by their log.
copy_program() {
    local f
    mkdir -p "$2"
    for f in "$1"/*; do
        case "$(basename "$f")" in test_* | bench_* | mivora-cli | mivora-hidemu) ;; *) cp -r "$f" "$2/" ;; esac
    done
    sed -i 's/^Debug=.*/Debug=1/' "$2/cfg.ini"
}

# skip_without NAME TOOL...: a test of one desktop's compositor, skipped (exit 77) when that
# compositor is not installed; under CI=true, where scripts/deps.sh installed it, a failure.
skip_without() {
    local name=$1 tool
    shift
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$name test: $tool is missing (scripts/deps.sh installs it)"
            [ "${CI:-}" = true ] && exit 1
            exit 77
        fi
    done
}
