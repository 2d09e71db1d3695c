#!/usr/bin/env bash
# Builds and runs every test: native, once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh all

jobs=$(nproc)
status=0
run() { echo "== $*"; "$@" || status=1; }

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"
run ctest --preset dev -j "$jobs"
run tests/qt/wait_screenshot.sh build/dev

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run ctest --preset asan -j "$jobs" -LE e2e
run scripts/test-package.sh

run scripts/test-fuzz.sh
if [ -x scripts/test-windows.sh ]; then
  run scripts/test-windows.sh
fi
exit $status
