#!/usr/bin/env bash
# Makes a fresh Debian root with mmdebstrap and installs a mivora .deb into it with apt, as a
# user would: Debian's base system and what the package declares, nothing of the build
# machine's. Needs root. The mmdebstrap log goes to LOG; on failure its end is printed.
#   make_fresh_root.sh PACKAGE.deb ROOT LOG
set -uo pipefail
deb=$(realpath "$1")
fresh=$2
log=$3
started=$SECONDS

sources=/etc/apt/sources.list.d/debian.sources
[ -f "$sources" ] || sources=/etc/apt/sources.list
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
# The packages the host has downloaded already are linked in rather than fetched again.
# dpkg without fsync (eatmydata) and without documentation: a throw-away root.
speed=(--dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*'
    --dpkgopt='path-exclude=/usr/share/locale/*')
[ -d /usr/share/mmdebstrap/hooks/eatmydata ] && command -v eatmydata >/dev/null &&
    speed+=(--hook-dir=/usr/share/mmdebstrap/hooks/eatmydata)
# The package is installed with what it depends on and nothing it only recommends: the fonts
# must come from Depends.
if ! mmdebstrap --quiet --variant=apt "${speed[@]}" \
    --skip=download/empty --skip=essential/unlink \
    --setup-hook='mkdir -p "$1/var/cache/apt/archives" && find /var/cache/apt/archives -maxdepth 1 -name "*.deb" -exec ln -t "$1/var/cache/apt/archives" {} + 2>/dev/null; true' \
    --customize-hook="copy-in '$deb' /tmp" \
    --customize-hook='chroot "$1" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends /tmp/'"$(basename "$deb")" \
    --customize-hook='rm -f "$1"/var/cache/apt/archives/*.deb' \
    "$suite" "$fresh" "$sources" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "mmdebstrap could not install the package into a fresh $suite root"
    exit 1
fi
echo "fresh root made in $((SECONDS - started)) s"
