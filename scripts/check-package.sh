#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian and a user would: lintian, the desktop entry
# and the AppStream validators pass with no error and no warning; apt installs it; every program
# it installs starts from PATH and has a manual page; the built-in demonstration runs offscreen and
# the virtual printer prints a captured stream to a receipt that scans; purging it leaves none of
# its files. Needs root or sudo. With --arch arm64 or --arch armhf: the cross build's package, checked
# the same way up to the install, which needs a machine of that architecture.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=default build=build
if [ "${1:-}" = --arch ]; then
  preset="${2:?usage: check-package.sh [--arch arm64|armhf]}" build=build-$preset
fi
scripts/install-deps.sh package
[ "$preset" = default ] || scripts/install-cross.sh "$preset"
package=ce-molv
# Waits for another apt or dpkg run to finish instead of failing on its lock.
apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600)
if [ "$(id -u)" -ne 0 ]; then apt_get=(sudo "${apt_get[@]}"); fi

fail() {
  echo "check-package: $*" >&2
  exit 1
}
installed() { dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; }

if installed; then fail "$package is installed already; remove it first (apt-get purge $package)"; fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target CE_MOLV printer-emulator package-documents
rm -f "$build"/${package}_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/${package}_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

work=$(mktemp -d)
cleanup() {
  if installed; then "${apt_get[@]}" purge "$package" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== lintian"
lintian --fail-on error,warning --display-info --pedantic "$deb" || fail "lintian found errors or warnings"

dpkg-deb -x "$deb" "$work/root"
echo "== desktop-file-validate"
for entry in "$work/root/usr/share/applications/"*.desktop; do
  # It exits 0 on warnings; any message counts.
  messages=$(desktop-file-validate "$entry" 2>&1) || true
  [ -z "$messages" ] || fail "desktop-file-validate: $messages"
  echo "$(basename "$entry"): valid"
done
echo "== appstreamcli validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/"*.metainfo.xml ||
  fail "the AppStream description has errors or warnings"

echo "== the installed README links nothing missing"
docdir=$work/root/usr/share/doc/$package
while read -r link; do
  [ -e "$docdir/$link" ] || fail "the installed README links $link, which is not installed"
done < <(grep -o '](\([^)#]*\))' "$docdir/README.md" | sed 's/^](\(.*\))$/\1/' | grep -v '://' || true)

if [ "$preset" != default ]; then
  file "$work/root/usr/bin/"*
  # Its dependencies are the target's own libraries: apt would have to replace this machine's.
  echo "check-package: lintian and the validators pass; the install test needs an $preset machine and is left out here"
  exit 0
fi

# apt resolves the package's dependencies from the archive, as a user's install would.
"${apt_get[@]}" install "./$deb" >/dev/null
echo "== installed"
dpkg-query -L "$package" | sort >"$work/files"
mapfile -t programs < <(grep '^/usr/bin/' "$work/files" | xargs -n1 basename)
for program in "${programs[@]}"; do
  command -v "$program" >/dev/null || fail "$program is not on PATH"
  "$program" --version
  "$program" --help >/dev/null || fail "$program --help failed"
  man -w "$program" >/dev/null || fail "man has no page for $program (does /etc/dpkg/dpkg.cfg.d exclude /usr/share/man?)"
  page=$(man "$program" 2>/dev/null) || fail "man $program failed"
  grep -q "^NAME" <<<"$page" || fail "man $program shows no page"
done
echo "manual pages: ${programs[*]}"

(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" \
  CE_MOLV --virtual-printer --demo --paper-dir "$work/demo") >"$work/demo.log" 2>&1 ||
  { cat "$work/demo.log" >&2; fail "the built-in demonstration failed"; }
if [ ! -s "$work/demo/dialog.png" ] || ! ls "$work/demo"/receipt-*.png >/dev/null 2>&1; then
  fail "the built-in demonstration saved no screenshot or receipt in $work/demo"
fi
echo "the built-in demonstration ran offscreen"

# ESC @, a CODE39 barcode (GS k 4) 80 dots high with 2-dot modules, a full cut (GS V 0).
printf '\x1b@\x1dh\x50\x1dw\x02\x1dk\x04CE-MOLV\x00\n\x1dV\x00' >"$work/stream.bin"
printer-emulator --input "$work/stream.bin" --out "$work/receipts" >/dev/null
scanned=$(zbarimg -q --raw "$work/receipts/receipt-001.png" 2>/dev/null) || true
[ "$scanned" = "CE-MOLV" ] || fail "the virtual printer's receipt scans as '$scanned', not CE-MOLV"
echo "the virtual printer printed a captured stream to a receipt that scans"

# --window runs the installed window program, which says there is no display to show it on.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM printer-emulator --window 2>&1 </dev/null) || true
grep -q -- "--window: no display" <<<"$said" || fail "printer-emulator --window did not reach its window program: $said"
echo "printer-emulator --window finds its window program"

# --help lists the HTTP interface from the module that printer-emulator loads for --http.
printer-emulator --help | grep -q "GET /api/status" || fail "printer-emulator --help cannot load its HTTP view: $(printer-emulator --help | grep -i 'http interface')"
echo "printer-emulator finds its HTTP view"

# GBK outside GB2312 prints in the scalable font, from the module printer-emulator loads for it.
printf '\x1b@\x1c&\x81\x40\n\x1dV\x00' >"$work/gbk.bin"
said=$(printer-emulator --input "$work/gbk.bin" --out "$work/gbk" 2>&1 >/dev/null) || fail "printer-emulator failed on GBK text: $said"
[ -z "$said" ] || fail "printer-emulator could not print with its scalable font: $said"
echo "printer-emulator finds its scalable font"

"${apt_get[@]}" purge "$package" >/dev/null
if installed; then fail "$package is still installed after apt-get purge"; fi
# What is left of its paths must be directories other packages own as well.
while read -r path; do
  if [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then fail "$path is left after purge"; fi
done <"$work/files"
echo "check-package: lintian and the validators pass; the package installs, runs and purges cleanly"
