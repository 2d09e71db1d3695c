#!/usr/bin/env bash
# Takes docs/screenshots/linux-main.png: the program in --demo mode on a
# virtual display, with the first device selected.
# Usage: tests/qt/take_screenshot.sh [build dir]   (needs xvfb, xdotool, imagemagick)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/dev}
out=docs/screenshots/linux-main.png
display=:$((90 + RANDOM % 100))

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
trap 'kill $app $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$build/qt/tessavue" --demo >/dev/null 2>&1 &
app=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Quillon Tessavue$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
# Its first search starts once it is on screen and takes about 1.2 s in
# --demo; the window takes no clicks until it has ended.
sleep 2.5
# The first row of the device list: below the list's header, left part.
xdotool mousemove --window "$window" 40 44 click 1
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "wrote $out"
