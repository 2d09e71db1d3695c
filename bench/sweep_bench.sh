#!/usr/bin/env bash
# Prints the cost of a subnet sweep: a workstation, a router and a /22 of
# devices behind it (tests/e2e/netns_pair.sh's routed namespaces, the router
# routing all of 10.222.0.0/22 to the devices' link, devices at 10.222.0.2
# and 10.222.0.77), five plain searches and five that also sweep
# 10.222.0.0/22: each search's wall time and devices listed, the time ratio
# of the medians, and the unicast datagrams per millisecond of each sweep
# (average over the sweep's span and the peak within any 1 ms).
# Needs root. Usage: bench/sweep_bench.sh [BUILD_DIR]
set -eu
build=${1:-build/dev}
device_bin=$build/device/tessavue-device
probe_bin=$build/bench/sweep_probe
[ "$(id -u)" -eq 0 ] || { echo "sweep_bench: needs root for network namespaces" >&2; exit 1; }
{ [ -x "$device_bin" ] && [ -x "$probe_bin" ]; } || { echo "sweep_bench: build $build first" >&2; exit 1; }

# shellcheck source=SCRIPTDIR/../tests/e2e/netns_pair.sh
. "$(dirname "$0")/../tests/e2e/netns_pair.sh"
tag=$$
ns_ws=tvw-ws-$tag; ns_rt=tvw-rt-$tag; ns_dev=tvw-dev-$tag
workdir=$(mktemp -d)
device_pid=""
cleanup() {
  stop_process "$device_pid"
  for ns in "$ns_ws" "$ns_rt" "$ns_dev"; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$workdir"
}
trap cleanup EXIT

netns_routed_create "$ns_ws" "$ns_rt" "$ns_dev" tvww$tag tvwr$tag tvws$tag tvwd$tag
ip -n "$ns_rt" route add 10.222.0.0/22 dev tvws$tag
ip -n "$ns_dev" addr add 10.222.0.77/24 dev tvwd$tag
ip netns exec "$ns_dev" "$device_bin" --device "ip=10.222.0.2,name=A,serial=0000000000b1" \
  --device "ip=10.222.0.77,name=B,serial=0000000000b2" >"$workdir/device.log" 2>&1 &
device_pid=$!
sleep 0.5

timeout 60 ip netns exec "$ns_ws" "$probe_bin" 10.222.0.0/22 5 | tee "$workdir/out"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
plain=$(awk '$1 == "plain" {print $5}' "$workdir/out" | median)
sweep=$(awk '$1 == "sweep" {print $5}' "$workdir/out" | median)
awk -v p="$plain" -v s="$sweep" 'BEGIN {printf "median search_ms plain %s sweep %s ratio %.3f\n", p, s, s / p}'
