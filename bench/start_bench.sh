#!/usr/bin/env bash
# Prints how soon each program's window is on screen at start and how soon
# its first device row follows, against 1 and 1000 devices that answer at
# once, over a veth pair (10.223.0.0/16, two network namespaces made and
# removed here), on a virtual display of its own. Three runs of each:
#   start_to_visible    from the program's start to its window on screen
#   request_to_visible  from its first search request to its window on screen
#                       (negative: on screen before the request left)
#   reply_to_row        from the first search reply to the first row on screen
# The Linux window: bench/start_bench.cpp, timed inside the program. The
# Windows window (given TESSAVUE_EXE PROBE_EXE WINE, with WINEPREFIX set):
# tessavue.exe under Wine, watched by tessavue-probe.exe (visible: mapped;
# request and reply: when the devices logged the first request, which they
# answer at once). Figures only, nothing is judged. Needs root.
# Usage: bench/start_bench.sh START_BENCH DEVICE_BIN [TESSAVUE_EXE PROBE_EXE WINE]
set -u
qt_bench=$1
device_bin=$2
exe=${3:-}
probe=${4:-}
wine=${5:-}
here=$(dirname "$0")
# shellcheck source=SCRIPTDIR/../tests/e2e/netns_pair.sh
. "$here/../tests/e2e/netns_pair.sh"
netns_require_root
# shellcheck source=SCRIPTDIR/../tests/windows/window.sh
[ -n "$exe" ] && . "$here/../tests/windows/window.sh" && wine_tools "$wine"

tag=$$
ns_ws=tvs-ws-$tag ns_dev=tvs-dev-$tag
workdir=$(mktemp -d)
device_pid="" xvfb_pid=""
cleanup() {
  [ -n "$exe" ] && ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  [ -n "$device_pid" ] && kill "$device_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "$workdir"
}
trap cleanup EXIT
netns_pair_create "$ns_ws" "$ns_dev" tvsw$tag tvsd$tag 10.223.0

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 100); do read -r -t 0.1 display <&"$displayfd" && break; done
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display

# The devices, each request's first log line stamped with the system time.
start_devices() {
  ip netns exec "$ns_dev" "$device_bin" --log \
    --generate "count=$1,ip=10.223.1.1,netmask=255.255.0.0" \
    > >(while IFS= read -r line; do
      case $line in
        search*) [ -s "$workdir/request" ] || echo "$EPOCHREALTIME" >"$workdir/request" ;;
        *ready*) echo ready >"$workdir/ready" ;;
      esac
    done) 2>&1 &
  device_pid=$!
  for _ in $(seq 100); do [ -s "$workdir/ready" ] && break; sleep 0.1; done
}
ms() { awk -v s="$1" 'BEGIN { printf "%.1f", s * 1000 }'; }

run_qt() {
  ip netns exec "$ns_ws" "$qt_bench" "$(ms "$EPOCHREALTIME")" 10.223.0.1 2>/dev/null
}

run_windows() {
  rm -f "$workdir/request"
  ip netns exec "$ns_ws" "$wine" "$probe" startwatch 60 </dev/null 2>/dev/null |
    tr -d '\r' >"$workdir/watch" &
  local watch=$!
  sleep 2
  local launch
  launch=$(ms "$EPOCHREALTIME")
  ip netns exec "$ns_ws" "$wine" "$exe" </dev/null >/dev/null 2>&1 &
  wait "$watch"
  ip netns exec "$ns_ws" "$wineserver_bin" -k 2>/dev/null
  local request
  request=$(ms "$(cat "$workdir/request" 2>/dev/null || echo 0)")
  awk -v l="$launch" -v q="$request" '
    { t[$1] = $2 }
    END {
      if (!("row" in t)) { print "no row"; exit }
      printf "%.1f %.1f %.1f\n", t["visible"] - l, t["visible"] - q, t["row"] - q
    }' "$workdir/watch"
}

printf '%-8s %-8s %-4s %-17s %-19s %s\n' program devices run start_to_visible request_to_visible \
  reply_to_row
for n in 1 1000; do
  rm -f "$workdir/ready" "$workdir/request"
  start_devices "$n"
  [ -n "$exe" ] && wine_fresh_session "$wine" "$ns_ws"
  for program in linux windows; do
    [ $program = windows ] && [ -z "$exe" ] && continue
    for run in 1 2 3; do
      rm -f "$workdir/request"
      if [ $program = linux ]; then figures=$(run_qt); else figures=$(run_windows); fi
      # shellcheck disable=SC2086 # three figures
      printf '%-8s %-8s %-4s %-17s %-19s %s\n' $program "$n" $run ${figures:-failed}
    done
  done
  kill "$device_pid" 2>/dev/null
  wait "$device_pid" 2>/dev/null
  device_pid=""
done
