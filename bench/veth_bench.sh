#!/usr/bin/env bash
# Prints, over a veth pair between two network namespaces (10.213.0.0/16):
# devices listed of N (1, 10, 100, 1000) by one search and its wall time, and
# the time from request to answer of a share query when the device answers
# after 20 ms; then 1000 devices spread over two links of the workstation
# (a second pair, 10.216.0.0/16), listed by one search over every network.
# Then, for 1, 100 and 1000 devices, rows_bench in the window (headless
# controls, and the Qt window offscreen when built): the time from a device's
# first reply to its row on screen, and from the search's end to the list.
# Needs root. Usage: bench/veth_bench.sh [BUILD_DIR]
set -eu
build=${1:-build/dev}
device_bin=$build/device/tessavue-device
probe_bin=$build/bench/veth_probe
[ "$(id -u)" -eq 0 ] || { echo "veth_bench: needs root for network namespaces" >&2; exit 1; }
{ [ -x "$device_bin" ] && [ -x "$probe_bin" ]; } || { echo "veth_bench: build $build first" >&2; exit 1; }

tag=$$
ns_ws=tvb-ws-$tag; ns_dev=tvb-dev-$tag; ns_dev2=tvb-dv2-$tag
workdir=$(mktemp -d)
device_pid=""
device2_pid=""
cleanup() {
  [ -n "$device_pid" ] && kill "$device_pid" 2>/dev/null && wait "$device_pid" 2>/dev/null
  [ -n "$device2_pid" ] && kill "$device2_pid" 2>/dev/null && wait "$device2_pid" 2>/dev/null
  ip netns del "$ns_ws" 2>/dev/null || true
  ip netns del "$ns_dev" 2>/dev/null || true
  ip netns del "$ns_dev2" 2>/dev/null || true
  rm -rf "$workdir"
}
trap cleanup EXIT

ip netns add "$ns_ws"; ip netns add "$ns_dev"
ip link add tvbw$tag type veth peer name tvbd$tag
ip link set tvbw$tag netns "$ns_ws"; ip link set tvbd$tag netns "$ns_dev"
ip -n "$ns_ws" addr add 10.213.0.1/16 dev tvbw$tag
ip -n "$ns_dev" addr add 10.213.0.2/16 dev tvbd$tag
for ns in "$ns_ws" "$ns_dev"; do ip -n "$ns" link set lo up; done
ip -n "$ns_ws" link set tvbw$tag up; ip -n "$ns_dev" link set tvbd$tag up
ip -n "$ns_ws" route add 224.0.0.0/4 dev tvbw$tag
ip -n "$ns_dev" route add 224.0.0.0/4 dev tvbd$tag

start() {
  ip netns exec "$ns_dev" "$device_bin" "$@" >"$workdir/device.log" 2>&1 &
  device_pid=$!
  for _ in $(seq 100); do grep -q ready "$workdir/device.log" && return; sleep 0.1; done
  echo "device program did not start" >&2; exit 1
}
stop() { kill "$device_pid"; wait "$device_pid" 2>/dev/null || true; device_pid=""; }

printf '%-8s %-8s %s\n' devices listed search_ms
for n in 1 10 100 1000; do
  start --generate "count=$n,ip=10.213.1.1,netmask=255.255.0.0"
  read -r _ listed _ ms < <(timeout 30 ip netns exec "$ns_ws" "$probe_bin" 10.213.0.1)
  printf '%-8s %-8s %s\n' "$n" "$listed" "$ms"
  stop
done

start --device "ip=10.213.1.1,name=Slow,shares=public:media,delay-ms=20"
timeout 30 ip netns exec "$ns_ws" "$probe_bin" 10.213.0.1 10.213.1.1 | grep share_query_ms |
  sed 's/^/share query, device answers after 20 ms: /'
stop

rows_bin=$build/bench/rows_bench
if [ -x "$rows_bin" ]; then
  for window in headless qt; do
    for n in 1 100 1000; do
      start --generate "count=$n,ip=10.213.1.1,netmask=255.255.0.0"
      QT_QPA_PLATFORM=offscreen timeout 60 ip netns exec "$ns_ws" "$rows_bin" posix "$window" \
        10.213.0.1 "$n" 2>/dev/null | if [ "$window$n" = headless1 ]; then cat; else tail -n +2; fi
      stop
    done
  done
fi

# The second link, and 500 devices behind each.
ip netns add "$ns_dev2"
ip link add tvbx$tag type veth peer name tvby$tag
ip link set tvbx$tag netns "$ns_ws"; ip link set tvby$tag netns "$ns_dev2"
ip -n "$ns_ws" addr add 10.216.0.1/16 dev tvbx$tag
ip -n "$ns_dev2" addr add 10.216.0.2/16 dev tvby$tag
ip -n "$ns_dev2" link set lo up
ip -n "$ns_ws" link set tvbx$tag up; ip -n "$ns_dev2" link set tvby$tag up
ip -n "$ns_dev2" route add 224.0.0.0/4 dev tvby$tag
start --generate "count=500,ip=10.213.1.1,netmask=255.255.0.0"
ip netns exec "$ns_dev2" "$device_bin" --generate "count=500,ip=10.216.1.1,netmask=255.255.0.0" \
  >"$workdir/device2.log" 2>&1 &
device2_pid=$!
for _ in $(seq 100); do grep -q ready "$workdir/device2.log" && break; sleep 0.1; done
read -r _ listed _ ms < <(timeout 30 ip netns exec "$ns_ws" "$probe_bin" all)
printf '%-8s %-8s %s   (500 on each of two links, one search over every network)\n' 1000 "$listed" "$ms"
stop
kill "$device2_pid"; wait "$device2_pid" 2>/dev/null || true; device2_pid=""
