#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with, on Debian 12 (bookworm)
# and 13 (trixie); with the argument `package`, also the tools that check the Debian package.
# Idempotent and quiet when everything is already there; uses sudo when not run as root.
set -euo pipefail

# The few names that differ between the releases.
release=$( . /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}" )
case "$release" in
  bookworm) clang_runtime=libclang-rt-14-dev ;;
  trixie) clang_runtime=libclang-rt-dev ;;
  *)
    echo "install-deps: Debian ${release:-(unknown release)} is not one this project is tried on (12 bookworm, 13 trixie); trying the trixie names" >&2
    clang_runtime=libclang-rt-dev ;;
esac

packages=(
  build-essential cmake ninja-build pkg-config git help2man
  qt6-base-dev qt6-wayland
  libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libfontconfig-dev libpng-dev zlib1g-dev libzint-dev
  libmicrohttpd-dev nlohmann-json3-dev libcurl4-gnutls-dev
  xfonts-base fonts-wqy-zenhei
  zbar-tools tesseract-ocr
  ser2net python3-serial
  chromium chromium-driver python3-selenium
  clang "$clang_runtime" clang-format
  xvfb xauth xdotool openbox x11-utils
  weston
)

if [ "${1:-}" = package ]; then
  packages+=(lintian desktop-file-utils appstream man-db)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo; missing: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
