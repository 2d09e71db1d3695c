#!/usr/bin/env bash
# Real network under a flood: tessavue-device (21 devices) and the flood
# generator in one namespace, tessavue-cli in the other, joined by a veth
# pair (10.213.0.0/16; nothing leaves the two namespaces). The flood sends
# junk of every kind, stray opcode-4 and opcode-6 replies for other
# workstations among it, at FLOOD_RATE datagrams/s (default 100000; "max": as
# many as the machine gives). Under it: a search lists every device in about
# its quiet time; share queries, a login and a set-DHCP succeed; and a device
# that answers only searches and logins keeps each wait for it to its full
# time, no shorter and not much longer.
# Usage: flood.sh BUILD_DIR      Exit 77 (skipped) where namespaces cannot be made.
set -u
build=$1
rate=${FLOOD_RATE:-100000}
device_bin=$build/device/tessavue-device
cli_bin=$build/cli/tessavue-cli
flood_bin=$build/tests/e2e/flood

# shellcheck source=SCRIPTDIR/netns_pair.sh
. "$(dirname "$0")/netns_pair.sh"
netns_require_root

tag=$$-$RANDOM
ns_ws=tvf-ws-$tag
ns_dev=tvf-dev-$tag
veth_ws=tvfw$$
veth_dev=tvfd$$
workdir=$(mktemp -d)
device_pid=""
flood_pid=""

cleanup() {
  stop_process "$flood_pid"
  stop_process "$device_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_pair_create "$ns_ws" "$ns_dev" "$veth_ws" "$veth_dev" 10.213.0

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the tool in the workstation namespace (bounded to 30 s); output in
# $workdir/out and $workdir/err, exit code in $rc, wall time in $ms.
cli() {
  local t0 t1
  t0=$(date +%s%N)
  timeout 30 ip netns exec "$ns_ws" "$cli_bin" --local-ip 10.213.0.1 "$@" \
    >"$workdir/out" 2>"$workdir/err" </dev/null
  rc=$?
  t1=$(date +%s%N)
  ms=$(((t1 - t0) / 1000000))
}

ip netns exec "$ns_dev" "$device_bin" \
  --generate "count=20,ip=10.213.1.1,netmask=255.255.0.0" \
  --device "ip=10.213.1.100,name=Alpha,shares=public:media,password=s3cret,dhcp-ip=10.213.3.30" \
  >"$workdir/device.log" 2>&1 &
device_pid=$!
wait_for_ready "$workdir/device.log" "$device_pid" "device program"
devices=22  # the 21 above and the flood's half device

# The quiet search, for its usual time.
cli scan --json
quiet_ms=$ms
{ [ "$rc" -eq 0 ] && [ "$(grep -c '"ip"' "$workdir/out")" -eq 21 ]; } ||
  fail "quiet search: exit $rc, $(grep -c '"ip"' "$workdir/out") listed"

ip netns exec "$ns_dev" "$flood_bin" --to 10.213.0.1 --rate "$rate" --seconds 90 --group \
  --broadcast 10.213.255.255 --stray-net 10.213.1 --half-device 10.213.1.200 \
  >"$workdir/flood.log" 2>&1 &
flood_pid=$!
wait_for_ready "$workdir/flood.log" "$flood_pid" "flood generator"
sleep 0.3

cli scan --json
listed=$(grep -c '"ip"' "$workdir/out")
echo "search: quiet ${quiet_ms} ms; under the flood ${ms} ms, ${listed} of ${devices} listed"
[ "$rc" -eq 0 ] || fail "search under the flood: exit $rc"
[ "$listed" -eq "$devices" ] || fail "search under the flood listed $listed of $devices"
[ "$ms" -le $((quiet_ms + 500)) ] || fail "search under the flood took ${ms} ms against ${quiet_ms} ms"
search_ms=$ms

for try in 1 2 3; do
  cli shares 10.213.1.100 --json
  { [ "$rc" -eq 0 ] && [ "$(cat "$workdir/out")" = '["public", "media"]' ]; } ||
    fail "share query $try: exit $rc: $(cat "$workdir/out" "$workdir/err")"
  echo "share query $try: exit $rc in ${ms} ms"
done

cli login 10.213.1.100 --password s3cret
echo "login: exit $rc in ${ms} ms"
[ "$rc" -eq 0 ] || fail "login under the flood: exit $rc: $(cat "$workdir/err")"

# The half device is listed but never answers a share query or a set
# request: each wait runs its full time (1.11 s, 11.01 s) after the search.
# Strays must not end it sooner; it may end up to 100 ms later, plus the
# time a loaded machine takes to start the tool.
cli shares 10.213.1.200
wait_ms=$((ms - search_ms))
echo "share query, device never answers: exit $rc in ${ms} ms (about ${wait_ms} ms after a search)"
[ "$rc" -eq 1 ] || fail "share query of the half device: exit $rc, expected 1"
[ "$wait_ms" -ge 1000 ] || fail "share query wait ended early: ${wait_ms} ms after the search"
[ "$wait_ms" -le 1900 ] || fail "share query wait too long: ${wait_ms} ms after the search"

cli set-dhcp 10.213.1.200
wait_ms=$((ms - search_ms))
echo "set-dhcp, device never confirms: exit $rc in ${ms} ms (about ${wait_ms} ms after a search)"
[ "$rc" -eq 1 ] || fail "set-dhcp of the half device: exit $rc, expected 1"
grep -q "Set to dhcp client fail" "$workdir/err" || fail "set-dhcp of the half device: $(cat "$workdir/err")"
[ "$wait_ms" -ge 10900 ] || fail "set wait ended early: ${wait_ms} ms after the search"
[ "$wait_ms" -le 12200 ] || fail "set wait too long: ${wait_ms} ms after the search"

cli set-dhcp 10.213.1.100 --password s3cret
echo "set-dhcp: exit $rc in ${ms} ms, new address $(cat "$workdir/out")"
{ [ "$rc" -eq 0 ] && [ "$(cat "$workdir/out")" = 10.213.3.30 ]; } ||
  fail "set-dhcp under the flood: exit $rc: $(cat "$workdir/out" "$workdir/err")"

kill "$flood_pid" 2>/dev/null
wait "$flood_pid" 2>/dev/null
flood_pid=""
grep "^flood:" "$workdir/flood.log" | tail -1
sent=$(sed -n 's/^flood: \([0-9]*\) datagrams.*/\1/p' "$workdir/flood.log")
{ [ -n "$sent" ] && [ "$sent" -gt 100000 ]; } || fail "the flood sent too little: $(cat "$workdir/flood.log")"
grep -q " 0 client ids learnt" "$workdir/flood.log" && fail "the flood overheard no request"

if [ "$failures" -ne 0 ]; then
  echo "device log:"; tail -5 "$workdir/device.log"
  exit 1
fi
echo "PASS: flood"
