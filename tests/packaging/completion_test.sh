#!/usr/bin/env bash
# The bash completion of mivora-cli: it loads, registers itself and completes commands, options,
# key functions, media and macro names of the library, and files, against the built program.
#   completion_test.sh COMPLETION_SCRIPT BIN_DIR SOURCE_DIR
set -u
script=$1
bin=$2
src=$3
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if [[ ! -r /usr/share/bash-completion/bash_completion ]]; then
    echo "bash-completion is not installed (scripts/deps.sh installs it)"
    exit 1
fi
source /usr/share/bash-completion/bash_completion
source "$script" || fail "the script does not load"
complete -p mivora-cli 2>/dev/null | grep -q -- '-F _mivora_cli mivora-cli' ||
    fail "mivora-cli is not registered: $(complete -p mivora-cli 2>&1)"

export PATH=$bin:$PATH MIVORA_POINTER_SETTINGS=none
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=$work/data
mivora-cli --data-dir "$data" macro import "$src/tests/fuzz/corpus/macro_file/jump.zqm" >/dev/null ||
    fail "cannot import the test macro"
macro=$(mivora-cli --data-dir "$data" macro list --names)
[[ -n $macro ]] || fail "macro list --names printed nothing"
mkdir -p "$work/files"
touch "$work/files/mouse.zqa" "$work/files/notes.txt" "$work/files/jump.zqm"

# complete LINE: fills COMP_LINE, COMP_POINT, COMP_WORDS and COMP_CWORD as bash does (words
# broken at blanks, with ':' and '=' words of their own), runs the completion and prints
# COMPREPLY one a line.
complete_line() {
    local line=$1
    local -a w
    read -ra w <<<"$(sed -e 's/\([:=]\)/ \1 /g' <<<"$line")"
    [[ $line == *" " ]] && w+=("")
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMP_WORDS=("${w[@]}")
    COMP_CWORD=$((${#w[@]} - 1))
    COMPREPLY=()
    _mivora_cli
    printf '%s\n' "${COMPREPLY[@]}"
}

# expect LINE WORD...: every WORD is offered for LINE.
expect() {
    local line=$1 got word
    shift
    got=$(complete_line "$line")
    for word in "$@"; do
        grep -qxF -- "$word" <<<"$got" || fail "'$line' does not offer '$word'; got: $(echo $got)"
    done
}

# expect_only LINE WORD...: exactly the WORDs are offered, in any order.
expect_only() {
    local line=$1 got want
    shift
    got=$(complete_line "$line" | sort)
    want=$(printf '%s\n' "$@" | sort)
    [[ $got == "$want" ]] || fail "'$line' offers '$(echo $got)', not '$(echo $want)'"
}

expect_only "mivora-cli se" set
expect "mivora-cli " config devices status read set apply restore export import macro
expect "mivora-cli --data-dir $data --virtual-mouse " read macro
expect_only "mivora-cli --virtual-l" --virtual-link
expect_only "mivora-cli --virtual-link b" bluetooth
expect_only "mivora-cli read --j" --json
expect_only "mivora-cli import $work/files/mouse.zqa --r" --rules
expect_only "mivora-cli import $work/files/mouse.zqa --" --force --rules --help
expect_only "mivora-cli set r" rate
expect_only "mivora-cli set key 0 dpi-c" dpi-cycle
expect_only "mivora-cli set key 0 media:volume-" volume-up volume-down
expect_only "mivora-cli macro " list show import export
expect_only "mivora-cli k" keyset
expect_only "mivora-cli keyset " 1 2 3
expect_only "mivora-cli set key 0 left --s" --set
expect_only "mivora-cli set key 0 left --set " 1 2 3

# Macro names come from the library of the --data-dir on the line.
expect_only "mivora-cli --data-dir $data set key 2 macro:" "$macro"
expect_only "mivora-cli --data-dir $data macro show " "$macro"
expect_only "mivora-cli --data-dir $work/empty macro show " ""

# Files: profiles for export and import, macro files for macro import, and folders.
expect "mivora-cli export $work/files/" "$work/files/mouse.zqa"
expect_only "mivora-cli import $work/files/m" "$work/files/mouse.zqa"
expect_only "mivora-cli macro import $work/files/j" "$work/files/jump.zqm"

# Every function and media name of "set --help" is offered, and nothing else.
help=$(mivora-cli set --help)
plain=$(sed -n '/^FUNCTION is one of:/{n;p}' <<<"$help")
media=$(sed -n '/^media names:/,$p' <<<"$help" | tail -n +2)
[[ -n $plain && -n $media ]] || fail "set --help lists no functions"
# shellcheck disable=SC2086
expect_only "mivora-cli set key 0 " $plain media: combo: macro: fire:
# shellcheck disable=SC2086
expect_only "mivora-cli set key 0 media:" $media

if ((failures)); then
    echo "$failures completion checks failed"
    exit 1
fi
echo "completion: all checks passed"
