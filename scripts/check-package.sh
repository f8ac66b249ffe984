#!/usr/bin/env bash
# Builds the Debian package, installs it, checks that the installed programs start and run a
# script offscreen on the virtual printer, then removes the package again. Needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

if dpkg-query -W -f='${Status}' ce-molv 2>/dev/null | grep -q "install ok installed"; then
  echo "check-package: ce-molv is installed already; remove it first (dpkg -r ce-molv)" >&2
  exit 1
fi

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target CE_MOLV printer-emulator
rm -f build/ce-molv_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/ce-molv_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --contents "$deb" | awk '{print $6}'

work=$(mktemp -d)
cleanup() {
  $sudo dpkg -r ce-molv >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# apt resolves the package's dependencies from the archive, as a user's install would.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
echo "== installed"
test -x /usr/bin/CE_MOLV && test -x /usr/bin/printer-emulator
test -f /usr/share/applications/ce_molv.desktop
test -f /usr/share/icons/hicolor/48x48/apps/ce_molv.png
/usr/bin/CE_MOLV --version
/usr/bin/printer-emulator --version

cat >"$work/check.script" <<SCRIPT
click 1005
expect text 1005 关闭串口
click 1018
wait 300
printer paper-out on
wait 300
expect check 1020 1
printer paper-out off
screenshot $work/dialog.png
click 1005
close
SCRIPT
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" \
  /usr/bin/CE_MOLV --virtual-printer --paper-dir "$work/paper" --script "$work/check.script")
test -s "$work/dialog.png"
ls "$work/paper"/receipt-*.png >/dev/null
echo "== the installed program ran the script on its virtual printer"

$sudo dpkg -r ce-molv >/dev/null
if command -v CE_MOLV >/dev/null; then
  echo "check-package: CE_MOLV is still there after dpkg -r" >&2
  exit 1
fi
echo "check-package: the package installs, starts, runs a script and removes cleanly"
