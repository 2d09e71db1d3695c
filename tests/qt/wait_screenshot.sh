#!/usr/bin/env bash
# A screenshot of the Linux program (--demo, on a virtual display) in the
# middle of an address change, which the demo device confirms 3 s after
# taking it: the window must be painted in its colours while it waits.
# Usage: tests/qt/wait_screenshot.sh [build dir] [out.png]
#   (needs xvfb, xdotool, x11-utils, imagemagick)
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
build=${1:-build/dev}
out=${2:-$build/artifacts/linux-during-change.png}
program=$build/qt/tessavue
[ -x "$program" ] || { echo "SKIP: $program is not built"; exit 0; }

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
trap 'kill $app $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
display=""
for _ in $(seq 100); do read -r -t 0.1 display <&"$displayfd" && break; done
[ -n "$display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$display

"$program" --demo >/dev/null 2>&1 &
app=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Quillon Tessavue$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: the window did not appear"; exit 1; }
# Its first search starts once it is on screen and takes about 1.2 s in
# --demo; the window takes no clicks until it has ended.
sleep 2.5
# The window is 281 x 231 dialog units: a control's place in pixels follows
# from the window's size.
read -r width height < <(xwininfo -id "$window" | awk '/Width/ {w=$NF} /Height/ {h=$NF} END {print w, h}')
at() { echo $(( ($1 * width + 140) / 281 )) $(( ($2 * height + 115) / 231 )); }
# The first device (static, default administrator password), then "Apply"
# with the address it has: the change is sent and its confirmation awaited.
xdotool mousemove --window "$window" 40 44 click 1
sleep 0.5
read -r x y < <(at 247 121)
xdotool mousemove --window "$window" "$x" "$y" click 1
sleep 1.5
mkdir -p "$(dirname "$out")"
import -window "$window" "$out" || { echo "FAIL: no screenshot"; exit 1; }
echo "screenshot during the change: $out"
kill -0 "$app" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
blue=$(convert "$out" -fill black +opaque "rgb(0,98,147)" -fill white -opaque "rgb(0,98,147)" \
  -colorspace Gray -format "%[fx:mean]" info:)
echo "share of the dialog's colour in the picture: $blue"
awk -v b="$blue" 'BEGIN { exit !(b > 0.25) }' || { echo "FAIL: the window is not painted"; exit 1; }
# The picture was taken during the change: once the device has confirmed it,
# the refresh that follows empties the address fields.
sleep 3
after=$(mktemp --suffix=.png)
import -window "$window" "$after"
changed=$(compare -metric AE "$out" "$after" null: 2>&1 | cut -d' ' -f1)
rm -f "$after"
[ "${changed:-0}" != 0 ] || { echo "FAIL: the window did not change after the confirmation"; exit 1; }
