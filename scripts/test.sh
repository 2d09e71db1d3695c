#!/usr/bin/env bash
# Builds and runs every test: native, once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh all

# Everything the run prints also goes to a log; its last lines then list
# every optional part that was skipped, and why (scripts/skipped.sh: each
# "SKIP: " line of a step, each skipped ctest test), so that a green run
# cannot hide one.
run_log=$(mktemp)
exec 3>&1 4>&2 > >(tee "$run_log") 2>&1
tee_pid=$!
# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
finish() {
  local rc=$?
  exec 1>&3 2>&4
  # tee ends when nothing writes to it any more (at most 5 s: a program
  # left running may hold the pipe).
  for _ in $(seq 50); do kill -0 "$tee_pid" 2>/dev/null || break; sleep 0.1; done
  scripts/skipped.sh "$run_log"
  rm -f "$run_log"
  exit "$rc"
}
trap finish EXIT

jobs=$(nproc)
status=0
run() { echo "== $*"; "$@" || status=1; }

run scripts/check-format.sh
run scripts/check-shell.sh
run scripts/check-functions.sh

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"
# After the build: some sources include headers the build generates.
run scripts/check-tidy.sh "$jobs"
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
