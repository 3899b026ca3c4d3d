#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Kwelta need, when any is missing.
# Safe to run again: it does nothing when everything is there. Needs root or sudo for an install.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ make pkg-config clang-format clang libclang-rt-14-dev
    qt6-base-dev qt6-charts-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
    qt6-qpa-plugins libgl-dev libqt6opengl6-dev
    libxcb1-dev libxcb-xkb-dev libxcb-xtest0-dev libxcb-xfixes0-dev libxkbcommon-dev libxkbcommon-x11-dev
    # the Wayland virtual keyboard: libwayland-client, and wayland-scanner (libwayland-bin) for its protocol code
    libwayland-dev libwayland-bin
    # running and testing on an X server of our own
    xvfb xauth xkb-data x11-xkb-utils fonts-dejavu-core
    # the default fonts of Debian's desktops, which every panel must fit in: GNOME's Cantarell, KDE's
    # Noto Sans; Xfce, MATE and LXQt use DejaVu Sans
    fonts-cantarell fonts-noto-core
    # typing into Wayland windows: a headless sway and its XWayland, Qt's Wayland plugin for the program
    # and the receiver window, setpriv to run sway as another user when the tests run as root (sway
    # refuses root)
    sway xwayland qt6-wayland util-linux
    # the notification-area tests: a tray host, a window manager to minimise with, pointer clicks
    trayer openbox xdotool
    # the reachability tests' scratch host: a network namespace, a veth pair, sysctl inside it
    iproute2 procps
    # the portals' tests: a private session bus with a stand-in portal on it
    dbus-daemon
    # the start-up entry read back as the desktops read it
    libglib2.0-bin desktop-file-utils
    # the Debian package (the icon tool, dpkg-shlibdeps) and its check (scripts/package-check.sh)
    qt6-svg-dev dpkg-dev lintian appstream libcap2-bin file binutils man-db
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing Debian packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Root or sudo is needed to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
