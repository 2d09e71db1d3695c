#!/usr/bin/env bash
# tessavue.exe --demo worked with the keyboard alone, real keys from the X
# server (xdotool): the arrows, End and Home choose a device and its shares
# appear once the selection settles; Tab moves on to "Refresh" and Enter
# presses it.
# Usage: keyboard_check.sh TESSAVUE_EXE PROBE_EXE WINE
# Needs DISPLAY and WINEPREFIX set (scripts/test-windows.sh sets both).
set -u
exe=$1
probe=$2
wine=$3
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"
status=0
fail() { echo "FAIL: $*"; status=1; }

"$wineserver_bin" -k 2>/dev/null
sleep 1
"$wine" "$exe" --demo </dev/null >/dev/null 2>&1 &
trap '"$wineserver_bin" -k 2>/dev/null' EXIT
timeout 60 "$wine" "$probe" rows 40 >/dev/null || { echo "FAIL: the demo window showed no devices"; exit 1; }
window=$(await_window) || exit 1
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5
# The share names of the device the window shows (the share list's first
# column), or nothing.
shares() { timeout 30 "$wine" "$probe" rows 1 1001 2>/dev/null | tr -d '\r' | cut -f1 | tr '\n' ' '; }

# The dialog starts with the focus in the device list (its first tab stop).
xdotool key Down
sleep 1.5
got=$(shares)
echo "Down: shares $got"
[ "$got" = "public backup scans " ] || fail "Down did not show the first device's shares"
xdotool key End
sleep 1.5
got=$(shares)
echo "End: shares $got"
[ "$got" = "archive " ] || fail "End did not show the last device's shares"
xdotool key Home Down
sleep 1.5
got=$(shares)
echo "Home Down: shares $got"
[ "$got" = "music video photos " ] || fail "Home, Down did not show the second device's shares"
# Tab to "Refresh", Enter: a new search empties the share list.
xdotool key Tab Return
sleep 3
got=$(shares)
echo "Tab Enter: shares '${got}'"
[ -z "$got" ] || fail "Tab, Enter did not refresh"
timeout 10 "$wine" "$probe" rows 5 >/dev/null || fail "no devices after the refresh"
exit $status
