#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest: wine-run.sh WINE PROGRAM
# [ARGS...]. Now and then Wine ends a start at once, printing nothing and
# running nothing of the program (seen on a busy machine: a test "failed" in
# 0.02 s with no output at all). Such a start is made once more, and said so;
# a program that ran and failed, or printed anything, keeps its result.
set -u
wine=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
started=$(date +%s%N)
"$wine" "$@" >"$out" 2>&1
rc=$?
took_ms=$((($(date +%s%N) - started) / 1000000))
if [ $rc -ne 0 ] && [ ! -s "$out" ] && [ $took_ms -lt 2000 ]; then
  echo "wine-run: Wine ended the start (exit $rc) after $took_ms ms with no output; starting once more"
  "$wine" "$@" >"$out" 2>&1
  rc=$?
fi
cat "$out"
exit $rc
