#!/usr/bin/env bash
# "Connect" on a letter that already maps a share, in the real tessavue.exe
# with its --demo world (F: maps \\Tessavue-Office\public): connecting F: to
# a share of Tessavue-Media with a wrong password, and once more with "Login"
# cancelled, answers "Mount Disk Fail!" and F: still maps public after the
# window is painted anew; with the right password F: maps the new share.
# Worked from outside with tessavue-probe.exe and real mouse clicks
# (xdotool), under the prefix's own Windows version (not the NT family:
# the first try goes without "Login").
#
# Usage: connect_keeps_letter.sh TESSAVUE_EXE PROBE_EXE WINE
# Needs DISPLAY and WINEPREFIX set.
set -uo pipefail
exe=$1
probe=$2
wine=$3
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

connect=1003 drive_combo=1013
office_public='F: \\Tessavue-Office\public'
media_music='F: \\Tessavue-Media\music'

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
workdir=$(mktemp -d)
program=""
cleanup() {
  "$wineserver_bin" -k 2>/dev/null
  [ -n "$program" ] && wait "$program" 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The drive list has an item starting with TEXT.
has_drive_item() { p select $drive_combo "$1" >/dev/null; }
# After a repaint: F: maps public, in the drive list and in Tessavue-Office's
# share list.
expect_public_on_f() {
  local what=$1
  p repaint >/dev/null || fail "$what: the window could not be painted anew"
  has_drive_item "$office_public" || fail "$what: the drive list has no '$office_public' after a repaint"
  pick_device 0 public &&
    { [ "$(p rows 1 $share_list | head -1 | cut -f1-2)" = "$(printf 'public\tF:')" ] ||
      fail "$what: Tessavue-Office's public is not shown on F:"; }
}
# Connect of Tessavue-Media's music to F:; the first try fails (no
# credentials yet), then "Login" is answered with ANSWER (login arguments).
connect_music_to_f() {
  pick_device 1 music && pick_share 0 && has_drive_item "F:" || return 1
  p click $connect >/dev/null
  expect "Connect F: to \\\\Tessavue-Media\\music" 'Login user="" user-enabled=1' || return 1
  p login "$@" >/dev/null
}

wine_fresh_session "$wine"
timeout 180 "$wine" "$exe" --demo >/dev/null 2>&1 </dev/null &
program=$!
p rows 40 >/dev/null || { fail "the demo window showed no devices"; exit 1; }
await_window >/dev/null || exit 1

expect_public_on_f "at start"

connect_music_to_f demo wrong &&
  expect_failure "Connect F: with a wrong password" "Error: Mount Disk Fail!"
expect_public_on_f "after a wrong password"

connect_music_to_f cancel &&
  expect_failure "Connect F: with Login cancelled" "Error: Mount Disk Fail!"
expect_public_on_f "after Login was cancelled"

connect_music_to_f demo demo &&
  expect "Connect F: with the right password" "Confirm: Mount Disk OK!"
p repaint >/dev/null
has_drive_item "$media_music" || fail "after the right password the drive list has no '$media_music'"
[ "$(p rows 1 $share_list | head -1 | cut -f1-2)" = "$(printf 'music\tF:')" ] ||
  fail "after the right password Tessavue-Media's music is not shown on F:"
pick_device 0 public &&
  { [ "$(p rows 1 $share_list | head -1 | cut -f1-2)" = "$(printf 'public\t')" ] ||
    fail "after the right password public is still shown on a letter"; }

echo "Connect keeps the letter's mapping: $failures failed"
[ $failures -eq 0 ]
