# Sourced by scripts/run and scripts/test: installs the Debian packages the build needs.
MIVORA_PACKAGES=(cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
    qt6-base-dev libgl-dev libudev-dev libxkbcommon-dev libgtest-dev libgmock-dev fonts-dejavu-core
    fonts-wqy-microhei)
MIVORA_PACKAGES+=(libfuse3-dev fuse3)  # the emulated /dev/hidraw of the tests
MIVORA_PACKAGES+=(dpkg-dev lintian desktop-file-utils appstream groff-base)  # scripts/package: shlibdeps and the package checks
MIVORA_PACKAGES+=(bash-completion)  # the completion test loads its helpers
MIVORA_PACKAGES+=(locales)  # localedef and the POSIX locale source of the comma-locale test
MIVORA_PACKAGES+=(qt6-translations-l10n)  # the toolkit's own dialog texts in the program's language
MIVORA_PACKAGES+=(xvfb xdotool x11-utils)  # the test that drives the real program in an X server (xprop)
MIVORA_PACKAGES+=(weston qt6-wayland)  # the test under a headless Wayland compositor
MIVORA_PACKAGES+=(qemu-system-x86 busybox-static cpio)  # the kernel test: QEMU boots Debian's kernel with busybox inside
MIVORA_PACKAGES+=(libsystemd-dev libxi-dev)  # the session bus (sd-bus) and the X input devices
MIVORA_PACKAGES+=(sway dbus-daemon)  # the pointer-settings tests against a real compositor and bus

mivora_install_deps() {
    local missing=()
    local p
    for p in "${MIVORA_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# mivora_configure BUILD_DIR [cmake args...]
mivora_configure() {
    local dir=$1
    shift
    cmake -S "$MIVORA_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}
