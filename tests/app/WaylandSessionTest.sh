#!/usr/bin/env bash
# Both programs on a Wayland desktop: weston's headless compositor, Qt's Wayland plugin. CE_MOLV
# shows the dialog and the virtual printer's window, takes pictures of both and ends; the
# printer's own program shows its window and ends on 'quit'. Usage: WaylandSessionTest.sh CE_MOLV
# printer-emulator
set -euo pipefail
command -v weston >/dev/null || { echo "WaylandSessionTest: weston is missing (scripts/install-deps.sh)" >&2; exit 1; }
work=$(mktemp -d)
cleanup() {
  [ -n "${compositor:-}" ] && kill "$compositor" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work
chmod 700 "$work"
weston --backend=headless-backend.so --socket=wayland-test --idle-time=0 >"$work/weston.log" 2>&1 &
compositor=$!
for _ in $(seq 200); do [ -S "$work/wayland-test" ] && break; sleep 0.05; done
[ -S "$work/wayland-test" ] || { echo "weston did not start" >&2; cat "$work/weston.log" >&2; exit 1; }
export WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland
unset DISPLAY

cat >"$work/script.txt" <<SCRIPT
screenshot $work/dialog.png
printer screenshot $work/printer.png
close
SCRIPT
"$1" --virtual-printer --paper-dir "$work/paper" --script "$work/script.txt" >"$work/ce_molv.log" 2>&1 ||
  { echo "CE_MOLV failed on Wayland:" >&2; cat "$work/ce_molv.log" >&2; exit 1; }
for shot in dialog printer; do
  [ -s "$work/$shot.png" ] || { echo "no picture of the $shot window" >&2; cat "$work/ce_molv.log" >&2; exit 1; }
done
(sleep 1; echo quit) | "$2" --window >"$work/emulator.log" 2>&1 ||
  { echo "printer-emulator --window failed on Wayland:" >&2; cat "$work/emulator.log" >&2; exit 1; }
echo "both programs ran on Wayland"
