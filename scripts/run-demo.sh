#!/usr/bin/env bash
# Installs what is needed, builds everything and starts the tool on its virtual printer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
if [ ! -x build/app/CE_MOLV ]; then
  echo "run-demo: built what exists so far; the dialog (build/app/CE_MOLV) is not there yet."
  exit 0
fi
exec build/app/CE_MOLV --virtual-printer "$@"
