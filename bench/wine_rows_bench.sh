#!/usr/bin/env bash
# Prints, for tessavue.exe under Wine over a veth pair (10.222.0.0/16, two
# network namespaces), how its device list fills during a "Refresh": for 1,
# 100 and 1000 devices that each answer 200 ms after the request, the search's
# length, when the first row and the last row were on screen (ms after the
# press; a row's reply left its device at 200 ms), and the rows at the search's
# end. Each case twice. Figures only, nothing is judged.
# Needs root, DISPLAY and WINEPREFIX (as scripts/test-windows.sh sets them).
# Usage: bench/wine_rows_bench.sh TESSAVUE_EXE PROBE_EXE DEVICE_BIN WINE
set -u
exe=$1
probe=$2
device_bin=$3
wine=$4
# shellcheck source=SCRIPTDIR/../tests/e2e/netns_pair.sh
. "$(dirname "$0")/../tests/e2e/netns_pair.sh"
netns_require_root
# shellcheck source=SCRIPTDIR/../tests/windows/window.sh
. "$(dirname "$0")/../tests/windows/window.sh"
wine_tools "$wine"

tag=$$
ns_ws=tvq-ws-$tag ns_dev=tvq-dev-$tag
workdir=$(mktemp -d)
device_pid=""
cleanup() {
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  [ -n "$device_pid" ] && kill "$device_pid" 2>/dev/null && wait "$device_pid" 2>/dev/null
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "$workdir"
}
trap cleanup EXIT
netns_pair_create "$ns_ws" "$ns_dev" tvqw$tag tvqd$tag 10.222.0
in_ws() { ip netns exec "$ns_ws" "$@"; }
probe_ws() { timeout "$1" ip netns exec "$ns_ws" "$wine" "$probe" "${@:2}" </dev/null 2>/dev/null | tr -d '\r'; }

printf '%-8s %-4s %-10s %-13s %-12s %s\n' devices run search_ms first_row_ms last_row_ms rows_at_end
for n in 1 100 1000; do
  ip netns exec "$ns_dev" "$device_bin" --generate "count=$n,ip=10.222.1.1,netmask=255.255.0.0,delay-ms=200" \
    >"$workdir/device.log" 2>&1 &
  device_pid=$!
  for _ in $(seq 100); do grep -q ready "$workdir/device.log" && break; sleep 0.1; done
  wine_fresh_session "$wine" "$ns_ws"
  in_ws timeout 120 "$wine" "$exe" </dev/null >/dev/null 2>&1 &
  # The search at start has ended once the window takes input.
  probe_ws 60 rows 45 >/dev/null
  for _ in $(seq 100); do [ "$(probe_ws 10 enabled)" = 1 ] && break; sleep 0.2; done
  for run in 1 2; do
    probe_ws 30 refreshwatch 20 >"$workdir/watch"
    awk -v n="$n" -v run="$run" '
      $3 == 0 && begun == "" { begun = $1 }
      begun != "" && $2 > 0 && first == "" { first = $1 }
      begun != "" && $2 >= n && last == "" { last = $1 }
      $3 == 1 && begun != "" { ended = $1; rows = $2 }
      END {
        if (ended == "") { printf "%-8s %-4s the search did not end\n", n, run; exit }
        printf "%-8s %-4s %-10.0f %-13.1f %-12.1f %s\n", n, run, ended - begun,
          first == "" ? -1 : first, last == "" ? -1 : last, rows
      }' "$workdir/watch"
  done
  in_ws "$wineserver_bin" -k 2>/dev/null
  kill "$device_pid"; wait "$device_pid" 2>/dev/null; device_pid=""
done
