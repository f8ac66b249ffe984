#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test; exits non-zero when any fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset default -j "$(nproc)"
