# Sourced by scripts/run, scripts/test and scripts/package: the Debian packages each needs.
# What the two programs need to build (dpkg-dev: dpkg-buildflags, Debian's hardening flags).
MIVORA_RUN_PACKAGES=(cmake ninja-build g++ pkg-config dpkg-dev
    qt6-base-dev libgl-dev libudev-dev libxkbcommon-dev libsystemd-dev libxi-dev libxcb1-dev
    libwayland-dev libwayland-bin
    fonts-dejavu-core fonts-wqy-microhei)
# scripts/package: shlibdeps, the package checks and the fresh Debian root they install into.
MIVORA_PACKAGE_PACKAGES=(lintian desktop-file-utils appstream groff-base bash-completion
    mmdebstrap eatmydata)
# The tests, on top of both.
MIVORA_TEST_PACKAGES=(clang libclang-rt-14-dev libgtest-dev libgmock-dev)
MIVORA_TEST_PACKAGES+=(libfuse3-dev fuse3)  # the emulated /dev/hidraw of the tests
MIVORA_TEST_PACKAGES+=(locales)  # localedef and the POSIX locale source of the comma-locale test
MIVORA_TEST_PACKAGES+=(qt6-translations-l10n)  # the toolkit's own dialog texts in the program's language
MIVORA_TEST_PACKAGES+=(xvfb xdotool xclip x11-utils)  # the test that drives the real program in an X server (xprop)
MIVORA_TEST_PACKAGES+=(at-spi2-core python3-pyatspi)  # what a screen reader sees of the window, on a real accessibility bus
MIVORA_TEST_PACKAGES+=(weston qt6-wayland)  # the test under a headless Wayland compositor
MIVORA_TEST_PACKAGES+=(qemu-system-x86 busybox-static cpio)  # the kernel test: QEMU boots Debian's kernel with busybox inside
MIVORA_TEST_PACKAGES+=(sway dbus-daemon)  # the pointer-settings tests against a real compositor and bus
MIVORA_TEST_PACKAGES+=(systemd)  # busctl: the test that drives the window's own bus interface
MIVORA_TEST_PACKAGES+=(openbox)  # the focus source under a real X11 window manager
MIVORA_TEST_PACKAGES+=(gjs)  # the KWin script and the GNOME Shell extension run against stand-in compositors
MIVORA_TEST_PACKAGES+=(kwin-wayland)  # the KWin script in a real, headless KWin (installed without recommends, as all)
MIVORA_TEST_PACKAGES+=(gnome-shell)  # the GNOME Shell extension in a real, headless Shell (43 on Debian 12)

# mivora_install_deps PACKAGE...: installs those of the packages that are missing.
mivora_install_deps() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "These Debian packages are missing: ${missing[*]}" >&2
            echo "Install them from an administrator account (apt-get install ...), or install sudo." >&2
            return 1
        fi
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
