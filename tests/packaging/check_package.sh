#!/usr/bin/env bash
# Checks a built mivora .deb: lintian finds no error, the desktop entry and the AppStream
# metadata validate, the package holds what a user needs, its dependencies were computed, and
# the programs run from the package's files unpacked into a temporary root.
#   check_package.sh PACKAGE.deb
set -uo pipefail
deb=$(realpath "$1")
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

echo "-- lintian"
# Errors fail; warnings are shown. The overrides the package ships carry their reasons.
if ! lintian --fail-on error --tag-display-limit 0 "$deb"; then
    fail "lintian reports errors"
fi

echo "-- contents"
dpkg -x "$deb" "$root/fs" || fail "dpkg -x failed"
dpkg-deb -e "$deb" "$root/control" || fail "dpkg-deb -e failed"
fs=$root/fs
for path in usr/bin/mivora usr/bin/mivora-cli usr/lib/mivora/cfg.ini usr/lib/mivora/text.xml \
    usr/lib/mivora/skins/mak.skn usr/share/applications/mivora.desktop \
    usr/share/metainfo/io.mivora.Mivora.metainfo.xml \
    usr/share/icons/hicolor/256x256/apps/mivora.png usr/share/man/man1/mivora.1.gz \
    usr/share/man/man1/mivora-cli.1.gz usr/share/bash-completion/completions/mivora-cli \
    usr/share/doc/mivora/copyright usr/share/doc/mivora/changelog.gz; do
    [ -e "$fs/$path" ] || fail "the package has no $path"
done
# Only the two programs: test and build tools that land in the build's bin/ stay out.
for f in $(find "$fs/usr/lib/mivora" -type f -perm -u+x); do
    case $(basename "$f") in
        mivora | mivora-cli) ;;
        *) fail "the program folder holds the executable $(basename "$f")" ;;
    esac
done
# Nothing that a run of the programs or the tests left in the build's program folder (profiles,
# lang.ini, logs): only the shipped files, the skins and the language folders.
for entry in "$fs/usr/lib/mivora"/*; do
    name=$(basename "$entry")
    case $name in
        mivora | mivora-cli | cfg.ini | text.xml | appfont.ttf | appico.ico | mivora.png | skins | \
            70-mivora.rules) ;;
        *) [ -d "$entry" ] && [ -f "$entry/text.xml" ] || fail "the program folder holds $name" ;;
    esac
done
# Whatever rule file the build installs: at least one, where udev reads rules.
rules=$(find "$fs/usr/lib/udev/rules.d" "$fs/lib/udev/rules.d" -name '*.rules' 2>/dev/null)
[ -n "$rules" ] || fail "the package has no udev rule"
for f in $rules; do
    grep -q 'TAG+="uaccess"' "$f" || fail "$(basename "$f") gives no access to the user at the seat"
done
grep -q 'udevadm control --reload' "$root/control/postinst" 2>/dev/null ||
    fail "the postinst does not reload the udev rules"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libudev1 libqt6widgets6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib (computed from the binaries?)"
done

echo "-- desktop entry and AppStream metadata"
desktop-file-validate "$fs/usr/share/applications/mivora.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$fs/usr/share/metainfo/io.mivora.Mivora.metainfo.xml" ||
    fail "appstreamcli validate"

echo "-- man pages"
for page in "$fs"/usr/share/man/man1/*.1.gz; do
    warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

echo "-- the programs from the unpacked root"
export MIVORA_POINTER_SETTINGS=none
data=$root/data
run() {
    # Runs a program of the unpacked root; prints its output on failure.
    local out
    if ! out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" 2>&1 </dev/null); then
        fail "$*: $out"
        return 1
    fi
    printf '%s\n' "$out"
}
version=$(dpkg-deb -f "$deb" Version)
[ "$(run "$fs/usr/bin/mivora-cli" --version)" = "mivora-cli $version" ] ||
    fail "mivora-cli --version does not print the package version $version"
[ "$(run "$fs/usr/bin/mivora" --version)" = "mivora $version" ] ||
    fail "mivora --version does not print the package version $version"
out=$(run "$fs/usr/bin/mivora" --help)
grep -q '^usage: mivora' <<<"$out" || fail "mivora --help"
out=$(run "$fs/usr/bin/mivora-cli" set --help)
grep -q '^usage: mivora-cli set' <<<"$out" || fail "mivora-cli set --help"
# The program folder is found beside the binary: config loads the packaged cfg.ini and models.
out=$(run "$fs/usr/bin/mivora-cli" --data-dir "$data" config)
grep -q "^Program folder *$fs/usr/lib/mivora/\$" <<<"$out" || fail "the program folder is not /usr/lib/mivora: $out"
grep -q '^Skin check *passed' <<<"$out" || fail "the packaged skin mark does not match: $out"
grep -q '^Models ([1-9]' <<<"$out" || fail "mivora-cli config shows no model: $out"
out=$(run "$fs/usr/bin/mivora-cli" --data-dir "$data" --virtual-mouse="$root/vm.bin" read --json)
grep -q '"cid":' <<<"$out" || fail "mivora-cli read --json against the virtual mouse"
bash -c "source /usr/share/bash-completion/bash_completion
    source '$fs/usr/share/bash-completion/completions/mivora-cli'
    complete -p mivora-cli" >/dev/null 2>&1 || fail "the packaged completion does not load"

if [ $failures -ne 0 ]; then
    echo "package check: $failures failed"
    exit 1
fi
echo "package check: all passed"
