# What the desktop-session tests share: sourced by x11_session_test.sh and
# wayland_session_test.sh.
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
