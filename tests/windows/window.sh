# shellcheck shell=bash
# Sourced by the checks that run tessavue.exe under Wine and work its window
# with real mouse clicks and keys (xdotool). Needs DISPLAY set.

# wine_tools WINE: sets wineserver_bin to the server beside that wine.
wine_tools() {
  wineserver_bin=$(dirname "$1")/wineserver
  [ -x "$wineserver_bin" ] || wineserver_bin=wineserver
}

# wine_fresh_session WINE [NS]: whatever ran in the prefix has ended (in NS
# and outside it); then a server that stays and the prefix's services, both
# started inside NS when given (Wine makes every socket in its server, so the
# server of a namespace run has to start there) and away from any output
# pipe, which they would otherwise hold open.
wine_fresh_session() {
  local wine=$1 in=()
  [ -n "${2:-}" ] && in=(ip netns exec "$2")
  [ -n "${2:-}" ] && "${in[@]}" "$wineserver_bin" -k 2>/dev/null
  "$wineserver_bin" -k 2>/dev/null
  "$wineserver_bin" -w
  "${in[@]}" "$wineserver_bin" -p </dev/null >/dev/null 2>&1
  "${in[@]}" "$wine" cmd /c exit </dev/null >/dev/null 2>&1
}

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
