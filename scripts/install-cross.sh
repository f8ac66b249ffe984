#!/usr/bin/env bash
# Installs what a cross build for ARCH (arm64 or armhf) needs on a Debian amd64 machine: the
# multiarch toolchain, the target's development packages, qemu-user to run the target's programs,
# and the target's libzint unpacked beside the system (Debian 12's cannot be installed for two
# architectures at once). Idempotent; uses sudo when not run as root.
set -euo pipefail
arch="${1:?usage: install-cross.sh arm64|armhf}"
case "$arch" in
  arm64) triplet=aarch64-linux-gnu qemu=aarch64 ;;
  armhf) triplet=arm-linux-gnueabihf qemu=arm ;;
  *) echo "install-cross: unknown architecture '$arch' (arm64 or armhf)" >&2; exit 2 ;;
esac
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

target_dev=(qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev libfreetype-dev libfontconfig-dev libpng-dev libmicrohttpd-dev libcurl4-gnutls-dev)
packages=(crossbuild-essential-"$arch" qemu-user-static binfmt-support "${target_dev[@]/%/:$arch}")
# Read whole first: in a pipe under pipefail, grep -q leaving at the first line can fail dpkg's
# write (SIGPIPE) when more architectures follow, and the update below would run for nothing.
if ! grep -qx "$arch" <<<"$(dpkg --print-foreign-architectures)"; then
  $sudo dpkg --add-architecture "$arch"
  $sudo apt-get update -qq
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-cross: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

overlay=/opt/ce-molv-cross/$triplet
if [ ! -e "$overlay/usr/include/zint.h" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # apt downloads as its own user: the folder must be theirs to write.
  chmod 777 "$work"
  (cd "$work" && $sudo apt-get download -qq "libzint-dev:$arch" "$(apt-cache depends "libzint-dev:$arch" | sed -n 's/.*Depends: \(libzint[0-9.]*\).*/\1/p' | head -1):$arch")
  $sudo mkdir -p "$overlay"
  for deb in "$work"/*.deb; do $sudo dpkg-deb -x "$deb" "$overlay"; done
fi

# The target's programs (the tests start printer-emulator and CE_MOLV) run through binfmt_misc.
if [ ! -e /proc/sys/fs/binfmt_misc/status ]; then
  $sudo mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
if [ ! -e "/proc/sys/fs/binfmt_misc/qemu-$qemu" ]; then
  $sudo update-binfmts --enable "qemu-$qemu"
fi
