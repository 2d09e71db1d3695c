#!/usr/bin/env bash
# Prints, for flood rates of 0, 10000, 100000 datagrams/s and the most the
# machine gives ("max"), over a veth pair between two network namespaces
# (10.213.0.0/16) with 50 devices that answer after 20 ms: the flood rate reached, search time and
# devices listed, share-query success and time, and the CPU time (user +
# system) the workstation program used for one search and its queries.
# Needs root. Usage: bench/flood_bench.sh [BUILD_DIR] [RUNS] [QUERIES]
# (default build/dev, 3 runs of one search and 10 share queries per rate).
set -u
build=${1:-build/dev}
runs=${2:-3}
queries=${3:-10}
device_bin=$build/device/tessavue-device
probe_bin=$build/bench/veth_probe
flood_bin=$build/tests/e2e/flood
[ "$(id -u)" -eq 0 ] || { echo "flood_bench: needs root for network namespaces" >&2; exit 1; }
for b in "$device_bin" "$probe_bin" "$flood_bin"; do
  [ -x "$b" ] || { echo "flood_bench: build $b first" >&2; exit 1; }
done
# shellcheck source=SCRIPTDIR/../tests/e2e/netns_pair.sh
. "$(dirname "$0")/../tests/e2e/netns_pair.sh"

tag=$$
ns_ws=tvfb-ws-$tag; ns_dev=tvfb-dev-$tag
workdir=$(mktemp -d)
device_pid=""; flood_pid=""
cleanup() {
  stop_process "$flood_pid"
  stop_process "$device_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
netns_pair_create "$ns_ws" "$ns_dev" tvfbw$tag tvfbd$tag 10.213.0

ip netns exec "$ns_dev" "$device_bin" --generate "count=50,ip=10.213.1.1,netmask=255.255.0.0,delay-ms=20" \
  >"$workdir/device.log" 2>&1 &
device_pid=$!
wait_for_ready "$workdir/device.log" "$device_pid" "device program"

# Datagrams a namespace dropped for a full socket receive buffer.
rcvbuf_errors() {
  ip netns exec "$1" cat /proc/net/snmp | awk '/^Udp:/ { if (h) print $6; h = 1 }'
}

printf '%-7s %9s %8s %10s %9s %11s %11s %11s %11s %9s\n' rate reached listed search_ms queries \
  query_ms max_query cpu_ms/run ws_dropped dev_dropped
for rate in 0 10000 100000 max; do
  reached=0
  if [ "$rate" != 0 ]; then
    ip netns exec "$ns_dev" "$flood_bin" --to 10.213.0.1 --rate "$rate" --seconds 120 --group \
      --broadcast 10.213.255.255 --stray-net 10.213.1 --learn >"$workdir/flood.log" 2>&1 &
    flood_pid=$!
    wait_for_ready "$workdir/flood.log" "$flood_pid" "flood generator"
    sleep 0.5
  fi
  : >"$workdir/probe.log"
  ws0=$(rcvbuf_errors "$ns_ws"); dev0=$(rcvbuf_errors "$ns_dev")
  for _ in $(seq "$runs"); do
    timeout 60 ip netns exec "$ns_ws" "$probe_bin" 10.213.0.1 10.213.1.25 "$queries" \
      >>"$workdir/probe.log" 2>&1
  done
  ws_dropped=$(($(rcvbuf_errors "$ns_ws") - ws0)); dev_dropped=$(($(rcvbuf_errors "$ns_dev") - dev0))
  if [ -n "$flood_pid" ]; then
    stop_process "$flood_pid"; wait "$flood_pid" 2>/dev/null; flood_pid=""
    reached=$(sed -n 's/^flood: [0-9]* datagrams in [0-9.]* s (\([0-9]*\)\/s).*/\1/p' "$workdir/flood.log")
  fi
  awk -v rate="$rate" -v reached="${reached:-?}" -v wsd="$ws_dropped" -v devd="$dev_dropped" '
    /^listed/ { n++; listed = listed (n > 1 ? "," : "") $2; search += $4 }
    /^share_query_ms/ { q++; if ($4 == 1) { ok++; qms += $2; if ($2 > qmax) qmax = $2 } }
    /^cpu_ms/ { cpu += $2 + $3; c++ }
    END {
      printf "%-7s %9s %8s %10.0f %9s %11.1f %11.1f %11.1f %11s %9s\n", rate, reached, listed,
             n ? search / n : 0, (ok + 0) "/" (q + 0), ok ? qms / ok : 0, qmax, c ? cpu / c : 0,
             wsd, devd
    }' "$workdir/probe.log"
done
