#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vantile needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libgtk-layer-shell-dev libwayland-dev libxrandr-dev libpng-dev libimagequant-dev
  nlohmann-json3-dev
  # the page's system figures (processors, memory, network counters)
  libgtop2-dev
  libgtest-dev libgmock-dev googletest
  # the power figures' tests: UPower and the power-profile service, mocked on a private bus
  python3-dbusmock dbus-daemon
  # run time: the About box's logo is SVG, drawn through GdkPixbuf's SVG loader
  librsvg2-common
  # the page scripts are linted as JavaScript
  eslint
  # end-to-end tests: X server, window manager, panel, input, screenshots
  xvfb xauth openbox tint2 xdotool x11-utils x11-xkb-utils wmctrl imagemagick
  python3 dbus-x11 at-spi2-core fonts-dejavu-core
  # end-to-end tests read menus and dialogs through the accessibility tree
  python3-gi gir1.2-atspi-2.0
  # the same under a headless Wayland compositor: compositor, screenshots, keys
  sway grim wtype
  # GNOME's compositor, headless, with Xwayland: a Wayland session without layer-shell
  mutter xwayland
  # icon corpus and reference tools for the image helper's tests and benchmark
  icoutils pngquant adwaita-icon-theme hicolor-icon-theme
  # Windows programs' icons (installer artwork) for the image helper's benchmark
  nsis-common
  shared-mime-info desktop-file-utils
  # the system-monitor benchmark's native counterpart
  conky-std
  # the Debian package (scripts/build-deb.sh) and its install test
  debhelper lintian librsvg2-bin appstream man-db libglib2.0-bin
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${packages[@]}"
