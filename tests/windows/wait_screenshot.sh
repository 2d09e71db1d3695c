#!/usr/bin/env bash
# A screenshot of tessavue.exe --demo in the middle of an address change (the
# demo device confirms it 3 s after taking it): the window must be painted in
# its colours while it waits, disabled, not blank or greyed out.
# Usage: wait_screenshot.sh TESSAVUE_EXE PROBE_EXE WINE OUT_PNG
# Needs DISPLAY and WINEPREFIX set (scripts/test-windows.sh sets both).
set -u
exe=$1
probe=$2
wine=$3
out=$4
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

"$wineserver_bin" -k 2>/dev/null
sleep 1
"$wine" "$exe" --demo >/dev/null 2>&1 &
app=$!
trap '"$wineserver_bin" -k 2>/dev/null; wait $app 2>/dev/null' EXIT

timeout 60 "$wine" "$probe" rows 40 >/dev/null || { echo "FAIL: the demo window showed no devices"; exit 1; }
await_window >/dev/null || exit 1
point() { timeout 30 "$wine" "$probe" "$@" | tr -d '\r'; }
# The first device (static, default administrator password), then "Apply"
# with the address it has: the change is sent and its confirmation awaited.
read -r x y < <(point rowpos 0)
xdotool mousemove "$x" "$y" click 1
sleep 1
read -r x y < <(point ctlpos 1007)
xdotool mousemove "$x" "$y" click 1
sleep 1.5
geometry=$(xwininfo -name "Quillon Tessavue" | awk '
  /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width/ {w=$NF} /Height/ {h=$NF} END {print w "x" h "+" x "+" y}')
mkdir -p "$(dirname "$out")"
import -window root -crop "$geometry" +repage "$out" || { echo "FAIL: no screenshot"; exit 1; }
during=$(point enabled)
echo "screenshot during the change: $out"

failures=0
# Still waiting when the picture was taken: the window refused input then.
[ "$during" = 0 ] || { echo "FAIL: the window took input during the change (enabled=$during)"; failures=1; }
# Painted: a good part of the picture is the dialog's own blue.
blue=$(convert "$out" -fill black +opaque "rgb(0,98,147)" -fill white -opaque "rgb(0,98,147)" \
  -colorspace Gray -format "%[fx:mean]" info:)
echo "share of the dialog's colour in the picture: $blue"
awk -v b="$blue" 'BEGIN { exit !(b > 0.25) }' || { echo "FAIL: the window is not painted"; failures=1; }
# After the confirmation the window takes input again.
for _ in $(seq 50); do
  [ "$(point enabled)" = 1 ] && break
  sleep 0.2
done
[ "$(point enabled)" = 1 ] || { echo "FAIL: the window stayed disabled after the change"; failures=1; }
exit $failures
