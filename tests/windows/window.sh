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

# The X server maps the window a moment after it is created (its first search
# runs once it is shown): clicks and keys sent before that go nowhere. Waits
# at most 30 s until the main window is viewable, and prints its X window id.
await_window() {
  local seconds=30 id
  id=$(timeout "$seconds" xdotool search --sync --onlyvisible --name '^Quillon Tessavue$' 2>/dev/null | head -1)
  [ -n "$id" ] || { echo "FAIL: the window did not appear on the screen within $seconds s" >&2; return 1; }
  echo "$id"
}

# What follows works the window through tessavue-probe.exe ($probe under
# $wine, which the caller sets, as $workdir) and reports through the
# caller's fail.
device_list=1000 share_list=1001

# p ARGS: the probe's answer, carriage returns dropped, and its exit code. Its
# output goes through a file in $workdir: Wine's own services, when a probe
# starts them, would hold a pipe open for as long as they run.
# shellcheck disable=SC2154 # probe, wine and workdir are the caller's
p() {
  local rc
  timeout 30 "$wine" "$probe" "$@" </dev/null >"$workdir/probe.out" 2>&1
  rc=$?
  tr -d '\r' <"$workdir/probe.out"
  return $rc
}

# A handler that ends with a new search (Apply's) keeps the window disabled,
# its list empty, for a second or so after its last message: waits (at most
# 10 s) until it takes input again.
wait_enabled() {
  for _ in $(seq 40); do
    [ "$(p enabled)" = 1 ] && return 0
    sleep 0.25
  done
  return 1
}

# pick_device ROW FIRST_SHARE: clicks row ROW of the device list and waits
# until the share list's first row is FIRST_SHARE.
pick_device() {
  local row=$1 first_share=$2 x y
  wait_enabled || { fail "the window stays disabled"; return 1; }
  read -r x y < <(p rowpos "$row" $device_list)
  [ -n "${y:-}" ] || { fail "device row $row has no position"; return 1; }
  xdotool mousemove "$x" "$y" click 1
  for _ in $(seq 20); do
    [ "$(p rows 1 $share_list | head -1 | cut -f1)" = "$first_share" ] && return 0
    sleep 0.25
  done
  fail "device row $row: the share list does not start with $first_share"
  return 1
}

# pick_share ROW: clicks row ROW of the share list.
pick_share() {
  local row=$1 x y
  read -r x y < <(p rowpos "$row" $share_list)
  [ -n "${y:-}" ] || { fail "share row $row has no position"; return 1; }
  xdotool mousemove "$x" "$y" click 1
  sleep 0.3
}

# expect WHAT LINE: the program's next modal window must be LINE.
expect() {
  local what=$1 want=$2 got
  got=$(p next 10)
  echo "  $what: $got"
  [ "$got" = "$want" ] || { fail "$what: got '$got', expected '$want'"; return 1; }
}
# A failure's message box: the window's text, then the reason on a line of
# its own.
expect_failure() {
  local what=$1 want=$2 got
  got=$(p next 10)
  echo "  $what: $got"
  { [ "${got%%$'\n'*}" = "$want" ] && [ -n "${got#*$'\n'}" ] && [ "$got" != "$want" ]; } ||
    { fail "$what: got '$got', expected '$want' and a reason"; return 1; }
}
