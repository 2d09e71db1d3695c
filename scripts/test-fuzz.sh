#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for a
# bounded time from its seed corpus in fuzz/corpus/. Prints every target's
# executions; fails on any finding, whose input is kept in build/fuzz/findings/
# (replay: build/fuzz/fuzz/fuzz_TARGET FILE).
# Usage: scripts/test-fuzz.sh [SECONDS_PER_TARGET]   (default 45)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
seconds=${1:-${FUZZ_SECONDS:-45}}
targets=(parsers protocol device cli)

scripts/deps.sh build fuzz || exit 1
if ! command -v clang++ >/dev/null; then
  echo "SKIP: clang++ is not installed; the fuzz targets were not built"
  exit 0
fi
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}" || exit 1

findings=build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for t in "${targets[@]}"; do
  # The corpus grows in a scratch copy; the tree keeps its small seeds.
  mkdir -p "$work/$t"
  cp fuzz/corpus/"$t"/* "$work/$t"/ 2>/dev/null
  log=$work/$t.log
  timeout $((seconds + 60)) build/fuzz/fuzz/fuzz_"$t" "$work/$t" -max_total_time="$seconds" \
    -max_len=4200 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$t-" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ $rc -eq 0 ]; then
    echo "fuzz_$t: ${runs:-?} executions in ${seconds} s, no finding"
  else
    echo "FAIL: fuzz_$t (exit $rc) after ${runs:-?} executions:"
    grep -E "check failed|ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -20
    status=1
  fi
done
exit $status
