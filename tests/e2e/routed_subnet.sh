#!/usr/bin/env bash
# End-to-end: a whole subnet behind a router, and the remembered targets.
# Three network namespaces as in routed.sh: the workstation (10.221.0.1/24),
# a router, and the devices' subnet 10.222.0.0/24 with two devices, at .2 and
# .77. The remembered list lives in a configuration folder of the test's own.
# Usage: routed_subnet.sh BUILD_DIR. Exit 77 (skipped) when namespaces cannot
# be made.
set -u
build=$1
device_bin=$build/device/tessavue-device
cli_bin=$build/cli/tessavue-cli

# shellcheck source=SCRIPTDIR/netns_pair.sh
. "$(dirname "$0")/netns_pair.sh"
netns_require_root

tag=$$-$RANDOM
ns_ws=tvs-ws-$tag
ns_rt=tvs-rt-$tag
ns_dev=tvs-dev-$tag
veth_ws=tvsw$$
veth_rw=tvsr$$
veth_rd=tvss$$
veth_dev=tvsd$$
workdir=$(mktemp -d)
far_pid=""

cleanup() {
  stop_process "$far_pid"
  for ns in "$ns_ws" "$ns_rt" "$ns_dev"; do ip netns del "$ns" 2>/dev/null; done
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_routed_create "$ns_ws" "$ns_rt" "$ns_dev" "$veth_ws" "$veth_rw" "$veth_rd" "$veth_dev"
# The second device's address, and the one it is moved to.
ip -n "$ns_dev" addr add 10.222.0.77/24 dev "$veth_dev" || exit 1
ip -n "$ns_dev" addr add 10.222.0.78/24 dev "$veth_dev" || exit 1

export XDG_CONFIG_HOME=$workdir/config
list=$XDG_CONFIG_HOME/tessavue/targets

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

ip netns exec "$ns_dev" "$device_bin" --log \
  --device "ip=10.222.0.2,name=FarTwo,shares=public,serial=0000000000a2" \
  --device "ip=10.222.0.77,name=FarSeventySeven,shares=media,serial=0000000000a7" \
  >"$workdir/far.log" 2>&1 &
far_pid=$!
wait_for_ready "$workdir/far.log" "$far_pid" "device program"
far_lines() { wc -l <"$workdir/far.log"; }

# The tool as a user runs it (bounded to 30 s); every run is a new start.
cli() {
  timeout 30 ip netns exec "$ns_ws" "$cli_bin" "$@" >"$workdir/out" 2>"$workdir/err" </dev/null
  rc=$?
}
expect_rc() {  # expected, description
  if [ "$rc" -eq "$1" ]; then ok "$2"; else fail "$2: exit $rc, expected $1; stderr: $(cat "$workdir/err")"; fi
}
count_of() { grep -c -- "$1" "$workdir/out"; }
expect_count() {  # pattern, count, description
  [ "$(count_of "$1")" -eq "$2" ] || fail "$3: $1 listed $(count_of "$1") times: $(cat "$workdir/out")"
}

# A /24 sweep lists both devices, each once.
cli scan --json --target 10.222.0.0/24
expect_rc 0 "scan --target 10.222.0.0/24"
expect_count '"ip": "10.222.0.2"' 1 "the device at .2"
expect_count '"ip": "10.222.0.77"' 1 "the device at .77"
[ -e "$list" ] && fail "a --target was remembered"

# Refused forms: exit 2, nothing reaches the devices.
before=$(far_lines)
for bad in 10.222.0.0/21 10.222.0.5/24 10.222.0.0/33 10.221.0.255; do
  cli scan --target "$bad"
  expect_rc 2 "--target $bad refused"
  echo "    $(cat "$workdir/err")"
done
cli targets add 10.222.0.0/21
expect_rc 2 "targets add of a /21 refused"
[ "$(far_lines)" -eq "$before" ] || fail "a refused command reached the devices: $(tail -3 "$workdir/far.log")"

# Remembered: survives into the next run, forgotten on request.
cli targets add 10.222.0.77
expect_rc 0 "targets add 10.222.0.77"
[ "$(cat "$list")" = "10.222.0.77" ] || fail "the list file holds: $(cat "$list")"
cli scan --json
expect_rc 0 "scan with the remembered target"
expect_count '"ip": "10.222.0.77"' 1 "the remembered device"
expect_count '"ip": "10.222.0.2"' 0 "the device that is not remembered"
cli scan --json --no-remembered
expect_count '"ip": "10.222.0.77"' 0 "--no-remembered leaves it out"
cli targets forget 10.222.0.77
expect_rc 0 "targets forget 10.222.0.77"
cli scan --json
expect_count '"ip": "10.222.0.77"' 0 "forgotten, it is no longer searched"

# Two remembered targets through one interface: only the moved device's
# own target follows it.
cli targets add 10.222.0.2
cli targets add 10.222.0.77
cli set-static 10.222.0.77 --ip 10.222.0.78 --netmask 255.255.255.0 --gateway 10.222.0.1
expect_rc 0 "set-static of the device at .77"
[ "$(cat "$list")" = "$(printf '10.222.0.2\n10.222.0.78')" ] || fail "after the move the list holds: $(cat "$list")"
cli scan --json
expect_count '"ip": "10.222.0.78"' 1 "the moved device at its new address"
expect_count '"ip": "10.222.0.2"' 1 "the other device, still at its target"

# A damaged list: said once, left out, the search goes on.
printf '10.222.0.2\nnot-an-address\n' >"$list"
cli scan --json
expect_rc 0 "scan with a damaged list"
grep -q "damaged" "$workdir/err" || fail "the damage is not said: $(cat "$workdir/err")"
expect_count '"ip": "10.222.0.2"' 0 "a damaged list is left out whole"
cli targets forget
expect_rc 0 "targets forget (all)"
[ -s "$list" ] && fail "the list still holds: $(cat "$list")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "routed-subnet: all passed"
