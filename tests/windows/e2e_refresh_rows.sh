#!/usr/bin/env bash
# End-to-end on a real network: tessavue.exe under Wine, 200 devices of one
# tessavue-device program in another namespace (10.225.0.0/16, veth), each
# answering 200 ms after the request. A "Refresh" of the visible window lists
# every one of them (a list that is slow to take rows must not cost the
# search its replies), with rows on screen before the search ends; twice.
# Usage: e2e_refresh_rows.sh TESSAVUE_EXE PROBE_EXE DEVICE_BIN WINE
# Needs DISPLAY and WINEPREFIX set. Exit 77 (skipped) when namespaces cannot
# be made here.
set -u
exe=$1
probe=$2
device_bin=$3
wine=$4
count=200

# shellcheck source=SCRIPTDIR/../e2e/netns_pair.sh
. "$(dirname "$0")/../e2e/netns_pair.sh"
netns_require_root
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

tag=$$-$RANDOM
ns_ws=tvf-ws-$tag ns_dev=tvf-dev-$tag
workdir=$(mktemp -d)
device_pid=""
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  stop_process "$device_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_pair_create "$ns_ws" "$ns_dev" tvfw$$ tvfd$$ 10.225.0
ip netns exec "$ns_dev" "$device_bin" --generate \
  "count=$count,ip=10.225.1.1,netmask=255.255.0.0,delay-ms=200" >"$workdir/device.log" 2>&1 &
device_pid=$!
wait_for_ready "$workdir/device.log" "$device_pid" "device program"

in_ws() { ip netns exec "$ns_ws" "$@"; }
probe() { timeout "$1" ip netns exec "$ns_ws" "$wine" "$probe" "${@:2}" </dev/null 2>/dev/null | tr -d '\r'; }
wine_fresh_session "$wine" "$ns_ws"
in_ws timeout 150 "$wine" "$exe" </dev/null >/dev/null 2>&1 &
probe 60 rows 45 >/dev/null || fail "no rows at start"
for _ in $(seq 100); do [ "$(probe 10 enabled)" = 1 ] && break; sleep 0.2; done

for run in 1 2; do
  # "MS ROWS ENABLED" lines from the press of Refresh to the search's end.
  probe 60 refreshwatch 40 >"$workdir/watch"
  read -r during rows < <(awk '$3 == 0 { begun = 1; if ($2 > during) during = $2 }
    $3 == 1 && begun { rows = $2 } END { print during + 0, rows + 0 }' "$workdir/watch")
  echo "Refresh $run: $during rows on screen during the search, $rows at its end (of $count)"
  [ "$rows" -eq "$count" ] || fail "Refresh $run listed $rows of $count devices"
  [ "$during" -gt 0 ] || fail "Refresh $run showed no row before the search ended"
  probe 30 rows 1 | cut -f2 | sort -u >"$workdir/ips"
  [ "$(wc -l <"$workdir/ips")" -eq "$count" ] || fail "Refresh $run: the rows are not $count different devices"
done

if [ $failures -eq 0 ]; then
  echo "e2e: every Refresh listed all $count devices"
  exit 0
fi
exit 1
