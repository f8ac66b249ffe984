#!/usr/bin/env bash
# Runs a command in an X session of its own: Xvfb on a free display (1366x768, the smallest
# screen the windows must fit) with a window manager, so that windows are placed, framed and
# focused as on a desktop. Usage: run-in-x-session.sh COMMAND [ARGS...]
set -euo pipefail
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
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
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
