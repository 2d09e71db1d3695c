#!/usr/bin/env bash
# End-to-end across a router under Wine: tessavue-cli.exe and tessavue.exe in
# the workstation's namespace (10.221.0.1/24), a router namespace with
# forwarding on, and tessavue-device (the Linux build) on the devices' subnet
# (10.222.0.2/24). The traffic never leaves the three namespaces.
# The window's "Search at address..." is worked from outside by
# tessavue-probe.exe; a device row is clicked with xdotool.
# Usage: e2e_routed.sh TESSAVUE_EXE PROBE_EXE DEVICE_BIN WINE TESSAVUE_CLI_EXE
# Needs DISPLAY and WINEPREFIX set. Exit 77 (skipped) when namespaces cannot
# be made here.
set -u
exe=$1
probe=$2
device_bin=$3
wine=$4
cli_exe=$5

# shellcheck source=SCRIPTDIR/../e2e/netns_pair.sh
. "$(dirname "$0")/../e2e/netns_pair.sh"
netns_require_root
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

tag=$$-$RANDOM
ns_ws=tvrw-ws-$tag
ns_rt=tvrw-rt-$tag
ns_dev=tvrw-dev-$tag
workdir=$(mktemp -d)
far_pid=""
near_pid=""

# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  stop_process "$far_pid"
  stop_process "$near_pid"
  for ns in "$ns_ws" "$ns_rt" "$ns_dev"; do ip netns del "$ns" 2>/dev/null; done
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_routed_create "$ns_ws" "$ns_rt" "$ns_dev" "tvxw$$" "tvxr$$" "tvxs$$" "tvxd$$"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

ip netns exec "$ns_rt" "$device_bin" --log --device "ip=10.221.0.2,name=Near,shares=near" \
  >"$workdir/near.log" 2>&1 &
near_pid=$!
wait_for_ready "$workdir/near.log" "$near_pid" "device program (near)"
ip netns exec "$ns_dev" "$device_bin" --log --device "ip=10.222.0.2,name=Far-Box,shares=public:media" \
  >"$workdir/far.log" 2>&1 &
far_pid=$!
wait_for_ready "$workdir/far.log" "$far_pid" "device program (far)"

wine_fresh_session "$wine" "$ns_ws"

cli() {  # output in $workdir/out (carriage returns dropped), exit code in $rc
  timeout 60 ip netns exec "$ns_ws" "$wine" "$cli_exe" "$@" >"$workdir/raw" 2>&1 </dev/null
  rc=$?
  tr -d '\r' <"$workdir/raw" >"$workdir/out"
}
cli scan
echo "tessavue-cli.exe scan (exit $rc):"; cat "$workdir/out"
grep -q "Near" "$workdir/out" || fail "scan: the segment's device is not listed"
grep -q "Far-Box" "$workdir/out" && fail "scan: the device behind the router was found without a target"
cli scan --target 10.222.0.2
echo "tessavue-cli.exe scan --target 10.222.0.2 (exit $rc):"; cat "$workdir/out"
{ [ $rc -eq 0 ] && grep -q "Far-Box.*10.222.0.2" "$workdir/out"; } || fail "scan --target: the device behind the router is not listed"
cli shares 10.222.0.2 --target 10.222.0.2
echo "tessavue-cli.exe shares (exit $rc):"; cat "$workdir/out"
{ [ $rc -eq 0 ] && grep -qx "media" "$workdir/out"; } || fail "shares across the router"
cli login 10.222.0.2 --target 10.222.0.2
[ $rc -eq 0 ] || fail "login across the router: exit $rc: $(cat "$workdir/out")"
before=$(wc -l <"$workdir/far.log")
for bad in 224.0.0.1 127.0.0.1 0.0.0.0 255.255.255.255 10.222.0; do
  cli scan --target "$bad"
  [ $rc -eq 2 ] || fail "--target $bad: exit $rc"
done
[ "$(wc -l <"$workdir/far.log")" -eq "$before" ] || fail "a refused target reached the device"
ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null

# The window: only the segment's device, then "Search at address...".
ip netns exec "$ns_ws" timeout 120 "$wine" "$exe" >"$workdir/tessavue.log" 2>&1 &
probe() { timeout 60 ip netns exec "$ns_ws" "$wine" "$probe" "$@" 2>/dev/null | tr -d '\r'; }
probe rows 45 >"$workdir/rows"
echo "the window at start:"; cat "$workdir/rows"
grep -q "^Near" "$workdir/rows" || fail "window: the segment's device is not listed"
grep -q "Far-Box" "$workdir/rows" && fail "window: the device behind the router is listed without a target"
# Once the first search has ended (the window takes input again).
for _ in $(seq 40); do [ "$(probe enabled)" = 1 ] && break; sleep 0.25; done
timeout 60 ip netns exec "$ns_ws" "$wine" "$probe" searchat 10.222.0.2 20 </dev/null >/dev/null 2>&1
rc=$?
[ $rc -eq 0 ] || fail "window: the Search at address dialog (probe exit $rc)"
far_row=""
for _ in $(seq 20); do
  probe rows 5 >"$workdir/rows"
  far_row=$(grep -n "^Far-Box" "$workdir/rows" | cut -d: -f1)
  [ -n "$far_row" ] && break
  sleep 0.5
done
echo "the window after Search at address 10.222.0.2:"; cat "$workdir/rows"
if [ -n "$far_row" ]; then
  # The refresh lists rows as they answer: the click waits for its end.
  for _ in $(seq 40); do [ "$(probe enabled)" = 1 ] && break; sleep 0.25; done
  await_window >/dev/null || fail "window: not on the screen"
  read -r x y < <(probe rowpos $((far_row - 1)))
  xdotool mousemove "$x" "$y" click 1
  probe rows 15 1001 >"$workdir/shares"
  echo "its shares:"; cat "$workdir/shares"
  { grep -q "^public" "$workdir/shares" && grep -q "^media" "$workdir/shares"; } ||
    fail "window: the shares of the device behind the router"
  grep -q "share query for 10.222.0.2" "$workdir/far.log" || fail "window: no share query reached the device"
else
  fail "window: the device behind the router is not listed after Search at address"
fi
ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null

if [ $failures -eq 0 ]; then
  echo "e2e routed: tessavue-cli.exe and tessavue.exe found and reached the device behind the router"
  exit 0
fi
echo "device log:"; cat "$workdir/far.log"
exit 1
