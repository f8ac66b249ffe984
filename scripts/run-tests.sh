#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test; exits non-zero when any fails.
# With --arch arm64 or --arch armhf: a cross build for that ARM architecture, its tests run on the
# target's instructions under qemu-user (the real-window tests stay with the native build).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=default
if [ "${1:-}" = --arch ]; then
  preset="${2:?usage: run-tests.sh [--arch arm64|armhf]}"
  case "$preset" in arm64 | armhf) ;; *) echo "run-tests: unknown architecture '$preset' (arm64 or armhf)" >&2; exit 2 ;; esac
fi
scripts/install-deps.sh
[ "$preset" = default ] || scripts/install-cross.sh "$preset"
# The client libraries whose status decoding a test runs with node, at the locked versions.
if command -v npm >/dev/null; then
  (cd tests/emulator/clients && npm ci --no-audit --no-fund --loglevel=error >/dev/null) ||
    echo "run-tests: npm ci failed in tests/emulator/clients; the client-library status test is skipped" >&2
else
  echo "run-tests: npm is absent; the client-library status test is skipped" >&2
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset "$preset" -j "$(nproc)"
