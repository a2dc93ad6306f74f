#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test the suite.
# Idempotent: packages already present are skipped, and apt is not touched at all
# when nothing is missing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang-format
  # fuzzing harnesses and their runtime (libFuzzer, sanitizers)
  clang libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtqml-workerscript
  qml6-module-qttest qml6-module-qtquick-controls qml6-module-qtquick-templates
  qml6-module-qtquick-layouts libqt6svg6
  # device access and the desktop-wide pieces
  libhidapi-dev libudev-dev libx11-dev libxtst-dev libxi-dev
  # compile check of the Windows side that needs no Qt
  g++-mingw-w64-i686
  # headless display for GUI tests and screenshots
  xvfb xauth xcompmgr trayer xdotool x11-utils imagemagick
  fonts-dejavu-core
  # Chinese page texts
  fonts-wqy-microhei
  # the Debian package: dependencies, and checks of its menu entries and metainfo
  dpkg-dev desktop-file-utils appstream lintian man-db
)

# The Wayland smoke test (scripts/wayland-smoke.sh): a headless compositor with Xwayland
# and a tray bar, Qt's Wayland platform, and what its own test input device is built
# from. Wanted, not required: without them that one test says it was skipped.
WAYLAND_PACKAGES=(
  sway xwayland qt6-wayland dbus-daemon grim python3
  libwayland-dev libxkbcommon-dev
)

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      echo "$p"
    fi
  done
}

mapfile -t missing < <(missing_of "${PACKAGES[@]}")
mapfile -t wanted < <(missing_of "${WAYLAND_PACKAGES[@]}")
if [ ${#missing[@]} -eq 0 ] && [ ${#wanted[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq </dev/null
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
if [ ${#wanted[@]} -gt 0 ]; then
  echo "install-deps: installing ${wanted[*]} (for the Wayland smoke test)"
  $SUDO apt-get install -y -qq --no-install-recommends "${wanted[@]}" </dev/null ||
    echo "install-deps: the Wayland packages could not be installed; that test will be skipped"
fi
