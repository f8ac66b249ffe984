#!/usr/bin/env bash
# Installs what is needed, builds the programs and starts the tool on its virtual printer.
# With no display (DISPLAY and WAYLAND_DISPLAY empty) it runs the built-in demonstration
# offscreen instead and prints where the dialog's screenshot and the receipts were saved.
# Options after the script's name go to CE_MOLV (e.g. --paper-dir DIR, --trace FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target CE_MOLV printer-emulator
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: no display; running the built-in demonstration offscreen."
  exec env QT_QPA_PLATFORM=offscreen build/app/CE_MOLV --virtual-printer --demo "$@"
fi
exec build/app/CE_MOLV --virtual-printer "$@"
