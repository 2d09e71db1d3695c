#!/usr/bin/env bash
# The Linux program's accessible names as a screen reader reads them: the
# program in --demo on a virtual display of its own, in a D-Bus session of its
# own with the AT-SPI bus, its tree read by tests/qt/a11y_names.py.
# Usage: tests/qt/a11y_check.sh TESSAVUE   (needs xvfb, dbus, at-spi2-core, python3-pyatspi)
set -uo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
launcher=""
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$candidate" ] && launcher=$candidate && break
done
[ -n "$launcher" ] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
display=""
for _ in $(seq 100); do read -r -t 0.1 display <&"$displayfd" && break; done
[ -n "$display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }

# Inside its own session bus: the AT-SPI bus, the program (accessibility on,
# as a desktop with a screen reader running has it) and the reader.
# shellcheck disable=SC2016 # the inner shell expands its own arguments
DISPLAY=:$display XDG_RUNTIME_DIR=$(mktemp -d) timeout 120 dbus-run-session -- bash -c '
  "$1" --launch-immediately &
  launcher=$!
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$2" --demo >/dev/null 2>&1 &
  app=$!
  /usr/bin/python3 "$3" 30
  status=$?
  kill $app $launcher 2>/dev/null
  wait 2>/dev/null
  exit $status
' a11y "$launcher" "$program" "$here/a11y_names.py"
