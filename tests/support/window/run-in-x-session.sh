#!/usr/bin/env bash
# Runs a command in an X session of its own: Xvfb on a free display with a window manager, so that
# windows are placed, framed and focused as on a desktop. The screen is 1366x768 at 96 dpi unless
# told: panel PCs have 800x480 or 1024x600 at a higher density.
# Usage: run-in-x-session.sh [--screen WIDTHxHEIGHT] [--dpi N] COMMAND [ARGS...]
set -euo pipefail
screen=1366x768
dpi=96
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    *) break ;;
  esac
done
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "run-in-x-session: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
cleanup() {
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# -displayfd: the server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -dpi "$dpi" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "run-in-x-session: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# The window manager owns the root window's redirect once it runs; wait for that.
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.05; done
"$@"
