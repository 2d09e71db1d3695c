#!/usr/bin/env bash
# End-to-end on a real network: tessavue.exe under Wine in one network
# namespace, tessavue-device (the Linux build) in another, joined by a veth
# pair (10.214.0.0/16, never leaves the namespaces). The device list of the
# running window (control 1000) is read from outside the process by
# tessavue-probe.exe. The devices reply by unicast, then to the group, then by
# broadcast. The workstation has a second link (10.219.0.0/16) with a device
# behind it: Wine gives the program both addresses of the host's name, so the
# window lists the devices of both links.
# With TESSAVUE_CLI_EXE, tessavue-cli.exe's scan runs there first, and after
# the window its share query and address change on the second link's device.
# Usage: e2e_device_list.sh TESSAVUE_EXE PROBE_EXE DEVICE_BIN WINE [TESSAVUE_CLI_EXE]
# Needs DISPLAY and WINEPREFIX set. Exit 77 (skipped) when namespaces cannot
# be made here.
set -u
exe=$1
probe=$2
device_bin=$3
wine=$4
cli_exe=${5:-}

# shellcheck source=SCRIPTDIR/../e2e/netns_pair.sh
. "$(dirname "$0")/../e2e/netns_pair.sh"
netns_require_root
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

tag=$$-$RANDOM
ns_ws=tvw-ws-$tag
ns_dev=tvw-dev-$tag
veth_ws=tvww$$
veth_dev=tvwd$$
workdir=$(mktemp -d)
device_pid=""
ns_dev2=tvw-dv2-$tag
device2_pid=""

# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  # The Wine processes of this prefix, inside the namespace.
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  stop_process "$device_pid"
  stop_process "$device2_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  ip netns del "$ns_dev2" 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_pair_create "$ns_ws" "$ns_dev" "$veth_ws" "$veth_dev" 10.214.0
netns_link_add "$ns_ws" "$ns_dev2" "tvwx$$" "tvwy$$" 10.219.0 || { echo "cannot add the second link"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One run per way the devices reply: by unicast, to the group, by broadcast
# (to their own subnet, which is then the veth pair's /16).
run_mode() {
  local reply=$1 extra="" mask=255.255.255.0
  [ "$reply" = unicast ] || extra=",reply=$reply"
  [ "$reply" = broadcast ] && { extra="$extra,netmask=255.255.0.0"; mask=255.255.0.0; }
  echo "-- devices that reply by $reply"
  ip netns exec "$ns_dev" "$device_bin" --log \
    --device "ip=10.214.0.2,name=Quillon-E2E,shares=public:media$extra" \
    --device "ip=10.214.0.3,name=Second-Box,dhcp=1$extra" >"$workdir/device.log" 2>&1 &
  device_pid=$!
  ip netns exec "$ns_dev2" "$device_bin" --log \
    --device "ip=10.219.0.2,name=Far-Box,shares=far$extra" >"$workdir/device2.log" 2>&1 &
  device2_pid=$!
  for _ in $(seq 50); do
    grep -q "ready" "$workdir/device.log" 2>/dev/null && grep -q "ready" "$workdir/device2.log" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q "ready" "$workdir/device.log" || ! grep -q "ready" "$workdir/device2.log"; then
    fail "the device programs did not start: $(cat "$workdir/device.log" "$workdir/device2.log")"
    return
  fi

  wine_fresh_session "$wine" "$ns_ws"
  if [ -n "$cli_exe" ]; then
    timeout 60 ip netns exec "$ns_ws" "$wine" "$cli_exe" --local-ip 10.214.0.1 scan \
      >"$workdir/scan" 2>&1 </dev/null
    scan_rc=$?
    echo "tessavue-cli.exe scan (exit $scan_rc):"; tr -d '\r' <"$workdir/scan"
    { [ $scan_rc -eq 0 ] && grep -q "Quillon-E2E.*10.214.0.2" "$workdir/scan" &&
      grep -q "Second-Box.*10.214.0.3" "$workdir/scan"; } || fail "$reply: tessavue-cli.exe scan did not list both devices"
  fi
  ip netns exec "$ns_ws" timeout 120 "$wine" "$exe" >"$workdir/tessavue.log" 2>&1 &
  timeout 60 ip netns exec "$ns_ws" "$wine" "$probe" rows 45 >"$workdir/rows" 2>"$workdir/probe.err"
  rc=$?
  tr -d '\r' <"$workdir/rows" >"$workdir/rows.txt"

  [ $rc -eq 0 ] || fail "$reply: no rows read from the running window (probe exit $rc): $(cat "$workdir/probe.err")"
  expected=$(printf 'Quillon-E2E\t10.214.0.2\t%s\t10.214.0.1\nSecond-Box\t10.214.0.3\t%s\t10.214.0.1\nFar-Box\t10.219.0.2\t%s\t10.219.0.1' "$mask" "$mask" "$mask")
  if [ $rc -eq 0 ]; then
    got=$(sort "$workdir/rows.txt")
    [ "$got" = "$(printf '%s\n' "$expected" | sort)" ] || fail "$reply: device list rows: got
$(cat "$workdir/rows.txt")
expected
$expected"
    echo "the window listed, with devices that reply by $reply:"; cat "$workdir/rows.txt"
  fi
  grep -q "search" "$workdir/device.log" || fail "$reply: the device heard no search: $(cat "$workdir/device.log")"
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  if [ -n "$cli_exe" ]; then
    # Requests to the second link's device go out there.
    timeout 60 ip netns exec "$ns_ws" "$wine" "$cli_exe" shares 10.219.0.2 >"$workdir/shares" 2>&1 </dev/null ||
      fail "$reply: tessavue-cli.exe shares on the second link: $(tr -d '\r' <"$workdir/shares")"
    grep -qx "far" <(tr -d '\r' <"$workdir/shares") || fail "$reply: second link's shares: $(cat "$workdir/shares")"
    timeout 60 ip netns exec "$ns_ws" "$wine" "$cli_exe" set-static 10.219.0.2 --ip 10.219.0.9 \
      --netmask "$mask" --gateway 10.219.0.1 >"$workdir/set" 2>&1 </dev/null ||
      fail "$reply: tessavue-cli.exe set-static on the second link: $(tr -d '\r' <"$workdir/set")"
    grep -q "set static for 10.219.0.9" "$workdir/device2.log" || fail "$reply: no static set reached the second link"
    echo "tessavue-cli.exe on the second link's device: shares and set-static done"
    ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  fi
  stop_process "$device_pid"
  stop_process "$device2_pid"
  device_pid=""
  device2_pid=""
}

for mode in unicast group broadcast; do run_mode "$mode"; done

if [ $failures -eq 0 ]; then
  echo "e2e: the window listed the devices of the other namespace in each reply mode"
  echo "1 passed, 0 failed"
  exit 0
fi
echo "device logs:"; cat "$workdir/device.log" "$workdir/device2.log"
echo "0 passed, 1 failed"
exit 1
