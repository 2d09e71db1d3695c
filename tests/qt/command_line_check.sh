#!/usr/bin/env bash
# The Linux program's command line as a user gives it: --help and --version
# answer on standard output with exit code 0; an unknown argument, a flag
# given a value, --local-ip without an address or with a bad one end with
# exit code 2 and the reason on standard error; a good line gets past the
# arguments to the display check (no display here: exit code 1).
# Usage: command_line_check.sh TESSAVUE
set -uo pipefail
program=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# run WANT_CODE ARGS...: the program without a display; its output in
# $scratch/out and $scratch/err.
run() {
  local want=$1 code
  shift
  timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" \
    </dev/null >"$scratch/out" 2>"$scratch/err"
  code=$?
  [ "$code" = "$want" ] || fail "tessavue $*: exit code $code, not $want ($(cat "$scratch/err"))"
}

run 0 --help
grep -q '^Usage: tessavue \[--demo\] \[--local-ip A.B.C.D\]$' "$scratch/out" || fail "--help: no usage"
run 0 -h
grep -q '^Usage: tessavue' "$scratch/out" || fail "-h: no usage"
run 0 --version
grep -Eqx 'tessavue [0-9]+\.[0-9]+\.[0-9]+' "$scratch/out" || fail "--version said '$(cat "$scratch/out")'"

for args in "--bogus" "extra" "--demo=1" "--local-ip" "--demo --local-ip"; do
  # shellcheck disable=SC2086 # the words of each case
  run 2 $args
  grep -q '^Usage: tessavue' "$scratch/err" || fail "tessavue $args: no usage on standard error"
  [ -s "$scratch/out" ] && fail "tessavue $args: wrote on standard output"
done
run 2 --local-ip 10.0.0.300
grep -q 'not an IPv4 address: 10.0.0.300' "$scratch/err" || fail "--local-ip 10.0.0.300: $(cat "$scratch/err")"

for args in "--demo" "--local-ip 10.0.0.7 --demo" "--local-ip=10.0.0.7"; do
  # shellcheck disable=SC2086
  run 1 $args
  grep -q 'no display' "$scratch/err" || fail "tessavue $args: $(cat "$scratch/err")"
done
[ $failures = 0 ] || exit 1
echo "the command line: every case as expected"
