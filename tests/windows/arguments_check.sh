#!/usr/bin/env bash
# tessavue.exe's command line as a user gives it: --version answers on
# standard output, --help and any unknown argument (a path that merely
# contains "--demo" among them) show the usage in a message box, closed here
# by tessavue-probe.exe; exit codes 0, 0 and 2. No window of the program
# opens.
# Usage: arguments_check.sh TESSAVUE_EXE PROBE_EXE WINE   (DISPLAY and WINEPREFIX set)
set -uo pipefail
exe=$1
probe=$2
wine=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run_with_box WANT_CODE ARGS...: the program shows its usage in a box, which
# the probe reads and closes.
run_with_box() {
  local want=$1 box code
  shift
  timeout 60 "$wine" "$exe" "$@" </dev/null >/dev/null 2>&1 &
  local pid=$!
  box=$(timeout 40 "$wine" "$probe" startbox 30 </dev/null 2>/dev/null | tr -d '\r' | tr '\n' ' ')
  case $box in
    "Quillon Tessavue: "*"Usage: tessavue.exe [--demo] [--version] [--help]"*) ;;
    *) fail "$*: the usage box did not show (got '$box')" ;;
  esac
  wait "$pid"
  code=$?
  [ "$code" = "$want" ] || fail "$*: exit code $code, not $want"
  echo "tessavue.exe $*: usage shown, exit code $code"
}

version=$(timeout 60 "$wine" "$exe" --version </dev/null 2>/dev/null | tr -d '\r')
case $version in tessavue\ *) echo "tessavue.exe --version: $version" ;; *) fail "--version said '$version'" ;; esac
run_with_box 0 --help
run_with_box 2 --bogus
run_with_box 2 'C:\data\--demo.txt'
run_with_box 2 --demo extra
[ $failures = 0 ] || exit 1
echo "the command line: every case as expected"
