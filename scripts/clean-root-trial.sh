#!/usr/bin/env bash
# Installs the built package into a fresh Debian 12 root, as a user's machine would get it:
# mmdebstrap makes the root from the same package mirror, apt installs the package with
# the dependencies it declares (nothing else), and there `mouse-suite --version`, the
# updater and the configurator against the virtual mouse (copied in; it is not packaged)
# are started. Needs root (chroot) and the mirror; takes a few minutes. Not part of
# ./test.sh.
#
#   BUILD_DIR=dir   build directory (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD="$(cd "${BUILD_DIR:-build}" && pwd)"

command -v mmdebstrap >/dev/null || {
    echo "clean-root-trial: mmdebstrap is not installed (apt-get install mmdebstrap)" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || { echo "clean-root-trial: run as root (chroot)" >&2; exit 1; }
deb="$(ls "$BUILD"/mouse-suite_*_amd64.deb 2>/dev/null | head -n 1 || true)"
if [ -z "$deb" ]; then
    (cd "$BUILD" && cpack -G DEB >/dev/null)
    deb="$(ls "$BUILD"/mouse-suite_*_amd64.deb | head -n 1)"
fi

root="$(mktemp -d /tmp/clean-root.XXXXXX)"
trap 'rm -rf "$root"' EXIT
mirror=http://deb.debian.org/debian
# The trial itself runs inside the new root once the package is in.
cat >"$root.trial" <<'TRIAL'
set -eu
echo "== installed:"; dpkg -s mouse-suite | grep -E '^(Version|Depends):'
echo "== mouse-suite --version:"; mouse-suite --version
echo "== update --version:"; /usr/lib/mouse-suite/update/update --version
echo "== man -w mouse-suite:"; man -w mouse-suite 2>/dev/null || ls /usr/share/man/man1/mouse-suite.1.gz
echo "== the virtual mouse (as an ordinary user, who must reach its socket):"
useradd -m trial
su trial -s /bin/sh -c '/tmp/virtual-mouse serve --socket /tmp/vm.sock' >/tmp/vm.log 2>&1 &
vm=$!
for _ in $(seq 50); do grep -q ready /tmp/vm.log && break; sleep 0.1; done
cat /tmp/vm.log
echo "== the configurator against it, headless, for 8 s:"
su trial -s /bin/sh -c 'cd && XDG_RUNTIME_DIR=$(mktemp -d) QT_QPA_PLATFORM=offscreen \
    VIRTUAL_MOUSE_SOCKET=/tmp/vm.sock timeout 8 mouse-suite 2>&1; echo "(ended: $?)"' || true
echo "== its folder:"; ls /home/trial/.config/mouse-suite/modules
echo "== what the mouse holds (report rate, first DPI stage):"
su trial -s /bin/sh -c '/tmp/virtual-mouse ctl --socket /tmp/vm.sock state' |
    grep -E '"report_rate"|"dpi"' | head -n 3
kill $vm
TRIAL
mmdebstrap --variant=apt --quiet \
    --customize-hook="copy-in '$deb' /tmp" \
    --customize-hook="copy-in '$BUILD/bin/virtual-mouse' /tmp" \
    --customize-hook="copy-in '$root.trial' /tmp" \
    --customize-hook="chroot \"\$1\" sh -c 'apt-get install -y -q --no-install-recommends /tmp/$(basename "$deb") >/tmp/apt.log 2>&1 || { tail -n 30 /tmp/apt.log; exit 1; }; grep -E \"^(Need to get|After this)\" /tmp/apt.log'" \
    --customize-hook="chroot \"\$1\" sh /tmp/$(basename "$root.trial")" \
    bookworm "$root" \
    "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main"
rm -f "$root.trial"
echo "clean-root-trial: done"
