#!/usr/bin/env bash
# The kernel test: boots Debian's kernel under QEMU (no KVM needed) with an initramfs holding
# busybox, mivora-cli, the responder and the program folder's data, and runs the command-line
# program against the guest's real hidraw nodes made through /dev/uhid. Results come back over
# the serial console as "KTEST PASS name" / "KTEST FAIL name" and a final "KTEST DONE".
#   run.sh BUILD_DIR BIN_DIR RESPONDER SESSION
# The kernel, busybox and udev packages are fetched with apt-get download (never installed) into
# $MIVORA_KERNEL_CACHE, default ~/.cache/mivora/kernel-test (BUILD_DIR/kernel-cache when that is
# not writable); the initramfs is made in BUILD_DIR/kernel-cache, only when its inputs change.
# Without QEMU the test is skipped (exit 77), except under CI=true, where that is a failure.
set -euo pipefail
BUILD=$1
BIN=$2
RESPONDER=$3
SESSION=$4
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(cd "$HERE/../.." && pwd)
CACHE=$BUILD/kernel-cache
mkdir -p "$CACHE"

missing() {
    echo "kernel test: $1" >&2
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
command -v qemu-system-x86_64 >/dev/null || missing "qemu-system-x86_64 not found (scripts/deps.sh installs it)"
PATH=$PATH:/usr/sbin:/sbin

# ---- the kernel, busybox and udev, fetched once per machine: the packages are the same for
# every checkout, so a fresh clone does not download them again. What is made from this build's
# programs (the initramfs) stays in the build folder.
PKGCACHE=${MIVORA_KERNEL_CACHE:-${XDG_CACHE_HOME:-${HOME:-/nonexistent}/.cache}/mivora/kernel-test}
if ! mkdir -p "$PKGCACHE" 2>/dev/null || [ ! -w "$PKGCACHE" ]; then
    PKGCACHE=$CACHE
fi
fetch() {  # package name -> the extracted folder of its candidate version
    local pkg=$1 ver dir tmp
    ver=$(apt-cache policy "$pkg" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    { [ -n "$ver" ] && [ "$ver" != "(none)" ]; } || missing "no version of $pkg in the apt lists"
    dir=$PKGCACHE/${pkg}_${ver//:/_}
    if [ ! -f "$dir/.done" ]; then
        # Fetched and unpacked aside and moved in whole, so a run cut short (or a second run at
        # the same time) never leaves a half-unpacked package that counts as done.
        tmp=$(mktemp -d "$PKGCACHE/.fetch-XXXXXX")
        if ! (cd "$tmp" && apt-get download "$pkg=$ver" >/dev/null 2>&1); then
            rm -rf "$tmp"
            missing "apt-get download $pkg=$ver failed"
        fi
        mkdir "$tmp/x"
        dpkg-deb -x "$tmp"/*.deb "$tmp/x"
        touch "$tmp/x/.done"
        rm -rf "$dir"
        mv -T "$tmp/x" "$dir" 2>/dev/null || true
        rm -rf "$tmp"
        [ -f "$dir/.done" ] || missing "could not unpack $pkg into $dir"
        # Older versions of the package are not needed again.
        find "$PKGCACHE" -mindepth 1 -maxdepth 1 -name "${pkg}_*" ! -name "${dir##*/}" -exec rm -rf {} +
    fi
    echo "$dir"
}
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1
}
KPKG=$(kernel_package)
if [ -z "$KPKG" ]; then  # a machine whose package lists were never fetched
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo -n"
    $sudo apt-get update -qq >/dev/null 2>&1 || true
    KPKG=$(kernel_package)
fi
[ -n "$KPKG" ] || missing "no linux-image-amd64 in the apt lists"
KDIR=$(fetch "$KPKG")
BBDIR=$(fetch busybox-static)
UDEVDIR=$(fetch udev)
KVER=$(ls "$KDIR/lib/modules" | head -n 1)
KERNEL=$(ls "$KDIR"/boot/vmlinuz-* | head -n 1)
BUSYBOX=$BBDIR/bin/busybox

# ---- the initramfs
ROOT=$CACHE/root
INITRD=$CACHE/initrd.cpio.gz
inputs() {
    sha256sum "$BIN/mivora-cli" "$SRC/tests/fuzz/corpus/macro_file/jump.zqm" "$RESPONDER" "$SESSION" "$HERE/guest.sh" "$0" "$BUSYBOX" "$KERNEL"
    find "$BIN" -maxdepth 1 -type f \( -name '*.ini' -o -name '*.xml' -o -name '*.rules' \) -exec sha256sum {} + | sort
}
STAMP=$(inputs | sha256sum | cut -d' ' -f1)
if [ ! -f "$INITRD" ] || [ "$(cat "$CACHE/initrd.stamp" 2>/dev/null)" != "$STAMP" ]; then
    rm -rf "$ROOT"
    mkdir -p "$ROOT"/{bin,sbin,proc,sys,dev,tmp,mivora,modules,etc,home/user}
    cp "$BUSYBOX" "$ROOT/bin/busybox"
    for t in $("$BUSYBOX" --list); do
        [ "$t" = busybox ] || ln -sf busybox "$ROOT/bin/$t"
    done
    # The program folder: the programs beside their data, as installed.
    cp -r "$BIN"/. "$ROOT/mivora/"
    find "$ROOT/mivora" -maxdepth 1 -type f -name 'test_*' -delete
    rm -f "$ROOT/mivora/mivora" "$ROOT/mivora/mivora-hidemu"
    cp "$RESPONDER" "$SESSION" "$ROOT/mivora/"
    # udevadm from Debian's udev package, to run the shipped rule on the guest's devices.
    cp "$UDEVDIR/bin/udevadm" "$ROOT/bin/udevadm.real" 2>/dev/null || cp "$UDEVDIR/usr/bin/udevadm" "$ROOT/bin/udevadm.real"
    mkdir -p "$ROOT/etc/udev/rules.d" "$ROOT/run/udev"
    for exe in "$ROOT/mivora/mivora-cli" "$ROOT/mivora/$(basename "$RESPONDER")" "$ROOT/mivora/$(basename "$SESSION")" "$ROOT/bin/udevadm.real"; do
        ldd "$exe" | awk '/=> \//{print $3} /^\t\//{print $1}' | while read -r lib; do
            [ -e "$ROOT$lib" ] && continue
            mkdir -p "$ROOT$(dirname "$lib")"
            cp -L "$lib" "$ROOT$lib"
        done
    done
    # The language files are converted with iconv, whose code pages glibc loads at run time.
    GCONV=$(dirname "$(readlink -f "$(ldd "$BIN/mivora-cli" | awk '/libc\.so/{print $3}')")")/gconv
    [ -d "$GCONV" ] && mkdir -p "$ROOT$GCONV" && cp -r "$GCONV"/. "$ROOT$GCONV/"
    # The HID and gadget modules with what they depend on, from a modules.dep that busybox's
    # depmod makes of the whole module tree; modprobe in the guest loads them in order.
    MODS=lib/modules/$KVER
    [ -f "$KDIR/$MODS/modules.dep.bb" ] || {
        "$BUSYBOX" depmod -b "$KDIR" "$KVER" && mv "$KDIR/$MODS/modules.dep" "$KDIR/$MODS/modules.dep.bb"
    }
    want="configfs hid hid-generic uhid usbhid dummy_hcd libcomposite usb_f_hid"
    for m in $want; do
        m=$(echo "$m" | tr _ -)
        grep -E "(^|/)($m|$(echo "$m" | tr - _))\.ko:" "$KDIR/$MODS/modules.dep.bb" | tr -d : | tr ' ' '\n'
    done | sort -u | while read -r f; do
        [ -n "$f" ] || continue
        mkdir -p "$ROOT/$MODS/$(dirname "$f")"
        cp "$KDIR/$MODS/$f" "$ROOT/$MODS/$f"
    done
    "$BUSYBOX" depmod -b "$ROOT" "$KVER"
    echo "$want" >"$ROOT/modules/list"
    mkdir -p "$ROOT/ktest"
    cp "$SRC/tests/fuzz/corpus/macro_file/jump.zqm" "$ROOT/ktest/"
    echo "user:x:1000:1000:user:/home/user:/bin/sh" >"$ROOT/etc/passwd"
    echo "root:x:0:0:root:/root:/bin/sh" >>"$ROOT/etc/passwd"
    echo "user:x:1000:" >"$ROOT/etc/group"
    echo "root:x:0:" >>"$ROOT/etc/group"
    chown 1000:1000 "$ROOT/home/user"
    cp "$HERE/guest.sh" "$ROOT/init"
    chmod +x "$ROOT/init"
    (cd "$ROOT" && find . | cpio -o -H newc --quiet | gzip -1 >"$INITRD.tmp")
    mv "$INITRD.tmp" "$INITRD"
    echo "$STAMP" >"$CACHE/initrd.stamp"
fi

# ---- boot and collect
LOG=$CACHE/console.log
ACCEL=tcg
[ -w /dev/kvm ] && [ "${MIVORA_KERNEL_KVM:-1}" = 1 ] && ACCEL=kvm:tcg
status=0
timeout "${MIVORA_KERNEL_TIMEOUT:-300}" qemu-system-x86_64 -accel "$ACCEL" -nographic -no-reboot -m 512 \
    -kernel "$KERNEL" -initrd "$INITRD" -append 'console=ttyS0 panic=-1 quiet' </dev/null >"$LOG" 2>&1 || status=$?
tr -d '\r' <"$LOG" | grep -E '^(KTEST|  )' || true
if [ $status -eq 124 ]; then
    echo "kernel test: the guest did not finish in time; console in $LOG"
    exit 1
fi
grep -q '^KTEST DONE' <(tr -d '\r' <"$LOG") || { echo "kernel test: no summary from the guest; console in $LOG"; exit 1; }
if grep -q '^KTEST FAIL' <(tr -d '\r' <"$LOG"); then exit 1; fi
grep -q '^KTEST PASS' <(tr -d '\r' <"$LOG") || exit 1
echo "kernel test: all passed"
