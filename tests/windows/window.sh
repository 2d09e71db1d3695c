# shellcheck shell=bash
# Sourced by the checks that work tessavue.exe's window under Wine with real
# mouse clicks and keys (xdotool). Needs DISPLAY set.

# The X server maps the window a moment after its rows are filled (the first
# search runs before the dialog is shown): clicks and keys sent before that go
# nowhere. Waits at most 30 s until the main window is viewable, and prints
# its X window id.
await_window() {
  local seconds=30 id
  id=$(timeout "$seconds" xdotool search --sync --onlyvisible --name '^Quillon Tessavue$' 2>/dev/null | head -1)
  [ -n "$id" ] || { echo "FAIL: the window did not appear on the screen within $seconds s" >&2; return 1; }
  echo "$id"
}
