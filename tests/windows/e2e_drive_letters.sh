#!/usr/bin/env bash
# End-to-end: tessavue.exe connects and disconnects a drive letter through
# Wine's real mpr.dll. The test network provider (tessavue_test_provider.dll,
# beside PROBE_EXE) is named in the prefix's registry and plays the
# redirector; tessavue-device plays the enclosure "Enclosure" in a second
# network namespace, joined by a veth pair (10.215.0.0/16, never leaves the
# namespaces). Clicked with xdotool, read with tessavue-probe.exe: Connect of
# "public" to a free letter (the share takes anyone: no "Login" under Wine's
# own Windows version), then of "media" (bob only) with a wrong and the
# right password, then Disconnect; after each, the calls the provider
# recorded, the message, the drive list and the "Location" column. The
# registry keys and namespaces are removed afterwards.
# Usage: e2e_drive_letters.sh TESSAVUE_EXE PROBE_EXE DEVICE_BIN WINE
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
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"

tag=$$-$RANDOM
ns_ws=tvl-ws-$tag
ns_dev=tvl-dev-$tag
workdir=$(mktemp -d)
device_pid=""
program=""
order_key='HKLM\System\CurrentControlSet\Control\NetworkProvider\Order'
service_key='HKLM\System\CurrentControlSet\Services\TessavueTest'
connect=1003 disconnect=1004 drive_combo=1013

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# in_ws COMMAND...: runs COMMAND in the workstation's namespace.
in_ws() { ip netns exec "$ns_ws" "$@"; }

# The prefix as it was: no provider named (the check runs only in a prefix
# that names none of its own), no remembered letter left behind.
# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  in_ws "$wineserver_bin" -k 2>/dev/null
  [ -n "$program" ] && wait "$program" 2>/dev/null
  # Letters a failed run left connected go as the provider's cancel takes
  # them: out of the prefix's drives, with their mount points' folders.
  for letter in $(tr -d '\r' <"$workdir/state" 2>/dev/null | sed -n 's/^conn \([A-Z]\): .*/\1/p' | tr '[:upper:]' '[:lower:]'); do
    rm -f "$WINEPREFIX/dosdevices/$letter:"
    "$wine" reg delete 'HKLM\Software\Wine\Drives' /v "$letter:" /f >/dev/null 2>&1
  done
  find "$WINEPREFIX/dosdevices/unc" -depth -type d -empty -delete 2>/dev/null
  "$wine" reg delete "$order_key" /f >/dev/null 2>&1
  "$wine" reg delete 'HKLM\System\CurrentControlSet\Control\NetworkProvider' /f >/dev/null 2>&1
  "$wine" reg delete "$service_key" /f >/dev/null 2>&1
  "$wine" reg delete 'HKCU\Network' /f >/dev/null 2>&1
  "$wineserver_bin" -w
  stop_process "$device_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "/etc/netns/$ns_ws"
  rmdir /etc/netns 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if "$wine" reg query "$order_key" >/dev/null 2>&1; then
  echo "SKIP: the prefix names network providers of its own"
  exit 77
fi
netns_pair_create "$ns_ws" "$ns_dev" "tvlw$$" "tvld$$" 10.215.0
# The workstation finds the enclosure by its name (its namespace's own hosts
# file, which ip netns exec puts over /etc/hosts), so Connect goes by name.
mkdir -p "/etc/netns/$ns_ws"
printf '127.0.0.1 localhost\n10.215.0.2 Enclosure\n' >"/etc/netns/$ns_ws/hosts"

ip netns exec "$ns_dev" "$device_bin" --log \
  --device "ip=10.215.0.2,name=Enclosure,shares=public:media" >"$workdir/device.log" 2>&1 &
device_pid=$!
wait_for_ready "$workdir/device.log" "$device_pid" tessavue-device

# The network: "public" to anyone, "media" to bob with the password "tune".
printf 'share \\\\Enclosure\\public - -\nshare \\\\Enclosure\\media bob tune\n' >"$workdir/state"
: >"$workdir/record"
provider=$(dirname "$probe")/tessavue_test_provider.dll
"$wine" reg add "$service_key\\NetworkProvider" /v ProviderPath /d "Z:$(realpath "$provider")" /f >/dev/null 2>&1
"$wine" reg add "$service_key\\NetworkProvider" /v Name /d "Tessavue Test Network" /f >/dev/null 2>&1
"$wine" reg add "$order_key" /v ProviderOrder /d TessavueTest /f >/dev/null 2>&1
"$wineserver_bin" -w
export TESSAVUE_PROVIDER_STATE="Z:$workdir/state" TESSAVUE_PROVIDER_RECORD="Z:$workdir/record"

wine_fresh_session "$wine" "$ns_ws"
in_ws timeout 300 "$wine" "$exe" >"$workdir/tessavue.log" 2>&1 </dev/null &
program=$!
# p runs the probe inside the namespace, where the program's server is.
p() {
  local rc
  timeout 30 ip netns exec "$ns_ws" "$wine" "$probe" "$@" </dev/null >"$workdir/probe.out" 2>&1
  rc=$?
  tr -d '\r' <"$workdir/probe.out"
  return $rc
}
p rows 45 >/dev/null || { fail "the window listed no device"; exit 1; }
await_window >/dev/null || exit 1

# calls WHAT LINE...: the provider's record since the last look is LINE...
seen=0
calls() {
  local what=$1 got want
  shift
  got=$(tail -n +$((seen + 1)) "$workdir/record" | tr -d '\r')
  seen=$(wc -l <"$workdir/record")
  want=$(printf '%s\n' "$@")
  [ "$got" = "$want" ] || fail "$what: the network was asked
$got
instead of
$want"
}
# letters WHAT ITEMS LOCATIONS: the drive list's items that name a share and
# the "Location" column of the share list ("public media" order).
letters() {
  local what=$1 items=$2 locations=$3 got
  p repaint >/dev/null
  got=$(p items $drive_combo | grep ' ' | paste -sd,)
  [ "$got" = "$items" ] || fail "$what: drive list '$got', expected '$items'"
  got=$(p rows 2 $share_list | cut -f2 | paste -sd,)
  [ "$got" = "$locations" ] || fail "$what: Location column '$got', expected '$locations'"
}
connect_to_e() {
  pick_share "$1" && p select $drive_combo "E:" >/dev/null && p click $connect >/dev/null
}

pick_device 0 public || exit 1
connect_to_e 0 && expect "Connect E: to \\\\Enclosure\\public" "Confirm: Mount Disk OK!"
calls "Connect of public" \
  'add local= remote=\\Enclosure\public user= password=empty flags=0 type=0 provider=(none) -> 0' \
  'cancel name=E: force=0 -> 2250' \
  'add local=E: remote=\\Enclosure\public user= password=empty flags=1 type=0 provider=(none) -> 0' \
  'cancel name=\\Enclosure\public force=0 -> 0'
letters "after public" 'E: \\Enclosure\public' 'E:,'

# E: to media: refused without credentials, then "Login" with a wrong
# password: E: keeps public.
connect_to_e 1 && expect "Connect E: to media" 'Login user="" user-enabled=1' &&
  p login bob wrong >/dev/null &&
  expect_failure "Login with a wrong password" "Error: Mount Disk Fail!"
calls "Connect of media with a wrong password" \
  'add local= remote=\\Enclosure\media user= password=empty flags=0 type=0 provider=(none) -> 86' \
  'add local= remote=\\Enclosure\media user=bob password=given flags=0 type=0 provider=(none) -> 86'
letters "after a wrong password" 'E: \\Enclosure\public' 'E:,'

connect_to_e 1 && expect "Connect E: to media again" 'Login user="" user-enabled=1' &&
  p login bob tune >/dev/null && expect "Login with the right password" "Confirm: Mount Disk OK!"
letters "after the right password" 'E: \\Enclosure\media' ',E:'

pick_share 1 && p click $disconnect >/dev/null && expect "Disconnect E:" "Confirm: Umount Disk OK!"
calls "Connect of media and Disconnect" \
  'add local= remote=\\Enclosure\media user=bob password=given flags=0 type=0 provider=(none) -> 86' \
  'add local= remote=\\Enclosure\media user=bob password=given flags=0 type=0 provider=(none) -> 0' \
  'cancel name=E: force=0 -> 0' \
  'add local=E: remote=\\Enclosure\media user=bob password=given flags=1 type=0 provider=(none) -> 0' \
  'cancel name=\\Enclosure\media force=0 -> 0' \
  'cancel name=E: force=0 -> 0'
letters "after Disconnect" '' ','

echo "tessavue.exe's drive letters through mpr.dll: $failures failed"
[ $failures -eq 0 ]
