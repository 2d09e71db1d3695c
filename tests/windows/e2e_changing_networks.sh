#!/usr/bin/env bash
# End-to-end on a real network whose links change while tessavue.exe runs
# under Wine: the workstation namespace has no address when the window opens;
# then its link comes up, takes a new address, gets a second link that is then
# removed, and ends on a link-local address. After each change "Refresh" must
# list the devices of the networks of that moment; a click on a device heard
# under an address the workstation no longer has must send nothing. Runs once
# per way the devices reply (unicast, group, broadcast). Alongside, a probe
# prints the addresses Wine gives the host's name each time they change, in
# one process that never restarts.
# Usage: e2e_changing_networks.sh TESSAVUE_EXE PROBE_EXE DEVICE_BIN WINE
# Needs DISPLAY and WINEPREFIX set. Exit 77 (skipped) when namespaces cannot
# be made here.
set -u
exe=$1
probe=$2
device_bin=$3
wine=$4

# shellcheck source=SCRIPTDIR/../e2e/netns_pair.sh
. "$(dirname "$0")/../e2e/netns_pair.sh"
netns_require_root
command -v xdotool >/dev/null || { echo "SKIP: xdotool is not installed"; exit 77; }
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

tag=$$-$RANDOM
ns_ws=tvc-ws-$tag
ns_dev=tvc-dev-$tag
ns_dev2=tvc-dv2-$tag
veth_ws=tvcw$$
veth_dev=tvcd$$
workdir=$(mktemp -d)
device_pid=""
device2_pid=""
hostaddrs_pid=""

# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  stop_process "$hostaddrs_pid"
  stop_process "$device_pid"
  stop_process "$device2_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  ip netns del "$ns_dev2" 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

in_ws() { ip netns exec "$ns_ws" "$@"; }
probe() { timeout 30 ip netns exec "$ns_ws" "$wine" "$probe" "$@" 2>/dev/null | tr -d '\r'; }

# Presses "Refresh" and waits (at most 20 s) until the search has ended and
# the window takes input again.
refresh() {
  probe click 1002 >/dev/null
  sleep 0.5
  for _ in $(seq 40); do
    [ "$(probe enabled)" = 1 ] && return 0
    sleep 0.5
  done
  fail "$1: the window did not come back from its search"
}

# expect_rows DESCRIPTION NAME... : the device list holds exactly these names.
expect_rows() {
  local what=$1; shift
  local got want
  if [ $# -eq 0 ]; then
    got=$(probe count)
    [ "$got" = 0 ] || fail "$what: expected no rows, got ${got:-no window}"
    echo "$what: no rows"
    return
  fi
  got=$(probe rows 10 | cut -f1 | sort | tr '\n' ' ')
  want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
  [ "$got" = "$want" ] || fail "$what: rows '$got', expected '$want'"
  echo "$what: rows $got"
}

share_queries() { grep -c "^share query" "$1" 2>/dev/null; }

# Clicks the device list's row ROW as a user does (Wine delivers list-view
# notifications only from its own process).
click_row() {
  local x y
  read -r x y < <(probe rowpos "$1")
  [ -n "${x:-}" ] || { fail "no position for row $1"; return; }
  xdotool mousemove "$x" "$y" click 1
  sleep 2
}

ws_address() {
  ip -n "$ns_ws" addr add "$1" brd + dev "$veth_ws"
  ip -n "$ns_ws" route replace 224.0.0.0/4 dev "$veth_ws"
}

start_device() {  # log, namespace, settings
  ip netns exec "$2" "$device_bin" --log --device "$3" >"$1" 2>&1 &
  last_pid=$!
  wait_for_ready "$1" "$last_pid" "device program"
}

run_mode() {
  local reply=$1 extra=""
  [ "$reply" = unicast ] || extra=",reply=$reply"
  [ "$reply" = broadcast ] && extra="$extra,netmask=255.255.0.0"
  echo "-- devices that reply by $reply"
  netns_pair_create "$ns_ws" "$ns_dev" "$veth_ws" "$veth_dev" 10.214.0
  ip -n "$ns_ws" addr flush dev "$veth_ws"
  start_device "$workdir/device.log" "$ns_dev" "ip=10.214.0.2,name=Quillon-E2E,shares=public$extra"
  device_pid=$last_pid

  wine_fresh_session "$wine" "$ns_ws"
  in_ws timeout 50 "$wine" "$probe" hostaddrs 45 >"$workdir/hostaddrs" 2>&1 </dev/null &
  hostaddrs_pid=$!
  in_ws timeout 120 "$wine" "$exe" >"$workdir/tessavue.log" 2>&1 </dev/null &
  for _ in $(seq 60); do [ -n "$(probe count)" ] && break; sleep 0.5; done
  await_window >/dev/null || fail "no window on the screen"
  sleep 2
  expect_rows "no address at start"
  refresh "no address"
  expect_rows "no address, after Refresh"
  [ "$(grep -c '^search for' "$workdir/device.log")" -eq 0 ] || fail "a search went out without an address"

  ws_address 10.214.0.1/16
  sleep 1
  refresh "link up"
  expect_rows "link up after start" Quillon-E2E

  # A new lease: the row was heard under the old address, so a click on it
  # asks nothing until the next Refresh.
  ip -n "$ns_ws" addr del 10.214.0.1/16 dev "$veth_ws"
  ws_address 10.214.0.7/16
  sleep 1
  local before; before=$(share_queries "$workdir/device.log")
  click_row 0
  [ "$(share_queries "$workdir/device.log")" -eq "$before" ] ||
    fail "address change: a share query under the old address reached the device"
  refresh "address change"
  expect_rows "address change" Quillon-E2E
  click_row 0
  [ "$(share_queries "$workdir/device.log")" -gt "$before" ] ||
    fail "address change: no share query after Refresh"

  # A second link with a device of its own, then that link removed.
  netns_link_add "$ns_ws" "$ns_dev2" "tvcx$$" "tvcy$$" 10.219.0 || fail "cannot add the second link"
  start_device "$workdir/device2.log" "$ns_dev2" "ip=10.219.0.2,name=Far-Box,shares=far$extra"
  device2_pid=$last_pid
  sleep 1
  refresh "second link added"
  expect_rows "second link added" Quillon-E2E Far-Box
  ip -n "$ns_ws" link del "tvcx$$"
  sleep 1
  refresh "second link removed"
  expect_rows "second link removed" Quillon-E2E
  stop_process "$device2_pid"
  device2_pid=""
  ip netns del "$ns_dev2" 2>/dev/null

  # Link-local addresses on both ends.
  ip -n "$ns_ws" addr flush dev "$veth_ws"
  ws_address 169.254.7.9/16
  ip -n "$ns_dev" addr add 169.254.30.1/16 brd + dev "$veth_dev"
  stop_process "$device_pid"
  local direct="ip=169.254.30.40,name=Direct,shares=direct$extra"
  [ "$reply" = broadcast ] || direct="$direct,netmask=255.255.0.0"
  start_device "$workdir/device.log" "$ns_dev" "$direct"
  device_pid=$last_pid
  sleep 1
  refresh "link-local"
  expect_rows "link-local" Direct

  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  stop_process "$hostaddrs_pid"
  hostaddrs_pid=""
  echo "addresses of the host's name as Wine gave them to one running process (ms since its start):"
  tr -d '\r' <"$workdir/hostaddrs" | sed 's/^/  /'
  stop_process "$device_pid"
  device_pid=""
  netns_pair_delete "$ns_ws" "$ns_dev"
}

for mode in ${TESSAVUE_REPLY_MODES:-unicast group broadcast}; do run_mode "$mode"; done

if [ $failures -eq 0 ]; then
  echo "e2e: after each change of the networks Refresh listed the devices, in each reply mode"
  echo "1 passed, 0 failed"
  exit 0
fi
echo "0 passed, 1 failed"
exit 1
