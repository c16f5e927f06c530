#!/usr/bin/env bash
# Checks a built mivora .deb: lintian finds no error, the desktop entry and the AppStream
# metadata validate, the package holds what a user needs (icons, licence, settings files), its
# dependencies were computed and name the fonts, the binaries are hardened, a second build gave
# the same package, the programs run from the package's files unpacked into a temporary root,
# and the package installs into a fresh Debian root where both programs run as a normal user
# and every language is drawn without empty boxes.
#   check_package.sh PACKAGE.deb
#   MIVORA_REPRO_DEB    the same package from a second build, compared byte for byte
#   MIVORA_GLYPHCHECK   the font probe (tools/glyphcheck), run in the fresh root
#   MIVORA_FRESH_ROOT=0 skips the fresh root (it downloads Debian's base system)
#   MIVORA_FRESH_ROOT_MADE    a fresh root already made from PACKAGE.deb (make_fresh_root.sh),
#                             its output in MIVORA_FRESH_ROOT_MADE.out, with
#   MIVORA_FRESH_ROOT_STATUS  the exit status of making it
set -uo pipefail
deb=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
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
    usr/share/icons/hicolor/scalable/apps/mivora.svg usr/share/man/man1/mivora.1.gz \
    usr/share/man/man1/mivora-cli.1.gz usr/share/bash-completion/completions/mivora-cli \
    usr/share/doc/mivora/copyright usr/share/doc/mivora/changelog.gz etc/mivora/cfg.ini \
    usr/share/doc/mivora/dbus.md usr/share/doc/mivora/focus.md \
    usr/lib/mivora/kwin/mivora-focus.js \
    usr/share/gnome-shell/extensions/mivora-focus@mivora.io/metadata.json \
    usr/share/gnome-shell/extensions/mivora-focus@mivora.io/extension.js \
    usr/share/gnome-shell/extensions/mivora-focus@mivora.io/focusReporter.js; do
    [ -e "$fs/$path" ] || fail "the package has no $path"
done
# The icon theme's sizes, each drawn at its size (width and height from the PNG header).
for size in 16 22 24 32 48 64 128 256 512; do
    png=$fs/usr/share/icons/hicolor/${size}x${size}/apps/mivora.png
    if [ ! -f "$png" ]; then
        fail "the package has no ${size} px icon"
        continue
    fi
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size} px icon is $dims"
done
# The administrator's settings file survives upgrades: a conffile.
grep -qx '/etc/mivora/cfg.ini' "$root/control/conffiles" 2>/dev/null ||
    fail "/etc/mivora/cfg.ini is not a conffile"
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
            70-mivora.rules | kwin) ;;
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
# The fonts of the shipped texts: DejaVu Sans (cfg.ini's FontName) and a CJK font.
grep -q 'fonts-dejavu-core' <<<"$depends" || fail "Depends lacks fonts-dejavu-core"
grep -q 'fonts-wqy-microhei' <<<"$depends" || fail "Depends lacks a CJK font"
grep -q 'qt6-wayland' <<<"$(dpkg-deb -f "$deb" Recommends)" ||
    fail "Recommends lacks qt6-wayland (Wayland sessions)"

echo "-- licence"
grep -q '^License: GPL-3.0+' "$fs/usr/share/doc/mivora/copyright" ||
    fail "the copyright file does not say GPL-3.0+"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$fs/usr/share/metainfo/io.mivora.Mivora.metainfo.xml" ||
    fail "the AppStream metadata has no project_license GPL-3.0-or-later"
if [ -f "$source_dir/LICENSE" ]; then
    grep -q 'GNU GENERAL PUBLIC LICENSE' "$source_dir/LICENSE" && grep -q 'Version 3' "$source_dir/LICENSE" ||
        fail "LICENSE is not the GPL version 3"
    grep -q 'GPL-3.0-or-later' "$source_dir/README.md" || fail "README.md names no licence"
fi

echo "-- hardening"
# What dpkg-buildflags' hardening gives: PIE, full relro (relro + BIND_NOW), the stack
# protector and _FORTIFY_SOURCE's checked functions.
for program in mivora mivora-cli; do
    bin=$fs/usr/lib/mivora/$program
    [ -f "$bin" ] || continue
    header=$(readelf -hW "$bin")
    dynamic=$(readelf -dW "$bin")
    segments=$(readelf -lW "$bin")
    symbols=$(readelf --dyn-syms -W "$bin")
    grep -q 'Type: *DYN' <<<"$header" && grep -q 'FLAGS_1.*PIE' <<<"$dynamic" ||
        fail "$program is not a position-independent executable"
    grep -q 'GNU_RELRO' <<<"$segments" || fail "$program has no relro segment"
    grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<<"$dynamic" || fail "$program is not linked with BIND_NOW"
    grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program is built without the stack protector"
    grep -Eq '__[a-z_]+_chk@' <<<"$symbols" || fail "$program is built without _FORTIFY_SOURCE"
done

echo "-- reproducibility"
if [ -n "${MIVORA_REPRO_DEB:-}" ]; then
    if cmp -s "$deb" "$MIVORA_REPRO_DEB"; then
        echo "a second build gave the same package"
    else
        fail "a second build gave another package ($MIVORA_REPRO_DEB)"
        mkdir -p "$root/repro"
        dpkg -x "$MIVORA_REPRO_DEB" "$root/repro/fs" && dpkg-deb -e "$MIVORA_REPRO_DEB" "$root/repro/control"
        diff -r --brief "$root/fs" "$root/repro/fs"
        diff -r --brief "$root/control" "$root/repro/control"
    fi
else
    echo "skipped: no second build given (scripts/package --check makes one)"
fi

echo "-- desktop entry and AppStream metadata"
desktop-file-validate "$fs/usr/share/applications/mivora.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$fs/usr/share/metainfo/io.mivora.Mivora.metainfo.xml" ||
    fail "appstreamcli validate"

# A software centre offers the program for the ids the udev rule opens up (kernel names
# 0003:VID:PID.n for the receiver, 0005:VID:PIDBT.n over Bluetooth).
metainfo=$fs/usr/share/metainfo/io.mivora.Mivora.metainfo.xml
for f in $rules; do
    for ids in $(sed -n 's/.*KERNELS=="\(000[35]\):\([0-9A-F]\{4\}\):\([0-9A-F]\{4\}\)\..*/\1:\2:\3/p' "$f"); do
        IFS=: read -r bus vid pid <<<"$ids"
        grep -q "<modalias>hid:b${bus}g\*v0000${vid}p0000${pid}</modalias>" "$metainfo" ||
            fail "the AppStream metadata does not provide the modalias of $ids"
    done
done
for tag in '<release version="'"$(dpkg-deb -f "$deb" Version)"'"' '<screenshot type="default">' \
    '<content_rating type="oars-1.1"'; do
    grep -q "$tag" "$metainfo" || fail "the AppStream metadata lacks $tag"
done

echo "-- man pages"
for page in "$fs"/usr/share/man/man1/*.1.gz; do
    warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# What they say agrees with the rule and the settings files the package installs.
for page in mivora mivora-cli; do
    text=$(zcat "$fs/usr/share/man/man1/$page.1.gz" 2>/dev/null)
    for said in '/usr/lib/udev/rules.d/70\-mivora.rules' '~/.config/mivora/cfg.ini' '/etc/mivora/cfg.ini'; do
        grep -qF "$said" <<<"$text" || fail "$page(1) does not name $said"
    done
    grep -q 'product id' <<<"$text" || fail "$page(1) does not say which ids the rule opens up"
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
# Without a display the window program says what to do and exits 1: no abort, no core dump.
for display in "" ":97"; do
    status=0
    out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$fs/usr/bin/mivora" \
        --virtual-mouse="$root/vm.bin" --data-dir "$data" 2>&1 </dev/null) || status=$?
    if [ $status -ne 1 ] || ! grep -q '^mivora: cannot open a window' <<<"$out" ||
        ! grep -q 'mivora-cli' <<<"$out"; then
        fail "mivora with DISPLAY='$display' and no display: exit status $status: $out"
    fi
done
bash -c "source /usr/share/bash-completion/bash_completion
    source '$fs/usr/share/bash-completion/completions/mivora-cli'
    complete -p mivora-cli" >/dev/null 2>&1 || fail "the packaged completion does not load"

echo "-- a fresh Debian root: the package installed, both programs run by a normal user"
fresh=$root/fresh
# as_user COMMAND...: runs in the fresh root as the user "tester", with its own /proc (the
# programs find their folder through /proc/self/exe) and a clean environment.
as_user() {
    unshare --mount --pid --fork --mount-proc="$fresh/proc" \
        chroot --userspec=1000:1000 "$fresh" env -i HOME=/home/tester PATH=/usr/local/bin:/usr/bin:/bin \
        LANG=C.UTF-8 MIVORA_POINTER_SETTINGS=none "$@"
}
fresh_root() {
    local started=$SECONDS
    if [ -n "${MIVORA_FRESH_ROOT_MADE:-}" ]; then
        # Made by scripts/package from this package while the second build compiled.
        fresh=$MIVORA_FRESH_ROOT_MADE
        cat "$fresh.out" 2>/dev/null
        if [ "${MIVORA_FRESH_ROOT_STATUS:-1}" != 0 ]; then
            fail "the fresh root made beside the second build failed (exit status ${MIVORA_FRESH_ROOT_STATUS:-unknown})"
            return
        fi
    elif ! bash "$source_dir/tests/packaging/make_fresh_root.sh" "$deb" "$fresh" "$root/mmdebstrap.log"; then
        fail "mmdebstrap could not install the package into a fresh root"
        return
    fi
    echo 'tester:x:1000:1000:tester:/home/tester:/bin/sh' >>"$fresh/etc/passwd"
    echo 'tester:x:1000:' >>"$fresh/etc/group"
    mkdir -p "$fresh/home/tester"
    chown 1000:1000 "$fresh/home/tester"

    local out
    out=$(as_user mivora-cli --version 2>&1) && [ "$out" = "mivora-cli $version" ] ||
        fail "fresh root: mivora-cli --version: $out"
    out=$(as_user mivora-cli config 2>&1) && grep -q '^Program folder */usr/lib/mivora/$' <<<"$out" &&
        grep -q '^Models ([1-9]' <<<"$out" || fail "fresh root: mivora-cli config: $out"
    out=$(as_user mivora-cli --virtual-mouse=/home/tester/vm.bin read --json 2>&1) &&
        grep -q '"cid":' <<<"$out" || fail "fresh root: mivora-cli read --json: $out"
    # Every window in every language, drawn by the installed program with the root's fonts.
    out=$(as_user env QT_QPA_PLATFORM=offscreen timeout 300 mivora --virtual-mouse=/home/tester/vm.bin \
        --screenshot /home/tester/shots 2>&1) &&
        [ -n "$(find "$fresh/home/tester/shots" -name '*.png' 2>/dev/null | head -n1)" ] ||
        fail "fresh root: mivora --screenshot: $out"
    if [ -n "${MIVORA_GLYPHCHECK:-}" ]; then
        install -m 755 "$MIVORA_GLYPHCHECK" "$fresh/usr/local/bin/glyphcheck"
        as_user glyphcheck /usr/lib/mivora || fail "fresh root: characters of the texts are drawn as boxes"
    fi

    # The user's and the administrator's settings survive a reinstall, which replaces the
    # shipped cfg.ini (an edit there is undone, as it should be).
    as_user sh -c 'mkdir -p ~/.config/mivora && printf "[OPT]\nApplyNow=0\nDebug=1\n" >~/.config/mivora/cfg.ini'
    printf '[OPT]\nRetry=5\n' >>"$fresh/etc/mivora/cfg.ini"
    sed -i 's/^Retry=.*/Retry=9/' "$fresh/usr/lib/mivora/cfg.ini"
    cp "$deb" "$fresh/tmp/mivora.deb"
    chroot "$fresh" dpkg -i /tmp/mivora.deb >/dev/null || fail "fresh root: the reinstall failed"
    grep -q '^Retry=9' "$fresh/usr/lib/mivora/cfg.ini" && fail "fresh root: the reinstall kept the shipped cfg.ini"
    out=$(as_user mivora-cli config 2>&1)
    grep -q '^Debug 1  ApplyNow 0  Retry 5 ' <<<"$out" ||
        fail "fresh root: the settings of ~/.config/mivora/cfg.ini and /etc/mivora/cfg.ini did not survive a reinstall: $(grep '^Debug' <<<"$out")"
    echo "fresh root checked in $((SECONDS - started)) s"
}
if [ "${MIVORA_FRESH_ROOT:-1}" = 0 ]; then
    echo "skipped (MIVORA_FRESH_ROOT=0)"
elif [ "$(id -u)" -ne 0 ]; then
    fail "the fresh root needs root (chroot); run scripts/package --check as root or with MIVORA_FRESH_ROOT=0"
else
    fresh_root
fi

if [ $failures -ne 0 ]; then
    echo "package check: $failures failed"
    exit 1
fi
echo "package check: all passed"
