#!/usr/bin/env bash
# The sanitizer suites: every test under ASan+UBSan, the threaded libraries under TSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for preset in asan tsan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  # The tests in a real X session (label window) run once, in the plain suite.
  QT_QPA_PLATFORM=offscreen ctest --preset "$preset" -j "$(nproc)" -LE window
done
