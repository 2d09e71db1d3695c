#!/usr/bin/env bash
# End-to-end across a router: three network namespaces, the workstation
# (10.221.0.1/24), a router with forwarding on (10.221.0.2 on the
# workstation's segment, 10.222.0.1 on the devices' subnet) and the devices'
# subnet (the device at 10.222.0.2/24). The traffic never leaves them.
# A search to the group stays on the workstation's segment; a target reaches
# the device by unicast, and only its unicast replies come back.
# Usage: routed.sh BUILD_DIR. Exit 77 (skipped) when namespaces cannot be made.
set -u
build=$1
device_bin=$build/device/tessavue-device
cli_bin=$build/cli/tessavue-cli

# shellcheck source=SCRIPTDIR/netns_pair.sh
. "$(dirname "$0")/netns_pair.sh"
netns_require_root

tag=$$-$RANDOM
ns_ws=tvr-ws-$tag
ns_rt=tvr-rt-$tag
ns_dev=tvr-dev-$tag
veth_ws=tvrw$$      # workstation's end of its segment
veth_rw=tvrr$$      # router's end of it
veth_rd=tvrs$$      # router's end of the devices' subnet
veth_dev=tvrd$$     # device's end of it
veth_vpn=tvrv$$     # a second link of the workstation that cannot multicast
veth_rv=tvru$$      # router's end of it
workdir=$(mktemp -d)
far_pid=""
near_pid=""

cleanup() {
  stop_process "$far_pid"
  stop_process "$near_pid"
  for ns in "$ns_ws" "$ns_rt" "$ns_dev"; do ip netns del "$ns" 2>/dev/null; done
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_routed_create "$ns_ws" "$ns_rt" "$ns_dev" "$veth_ws" "$veth_rw" "$veth_rd" "$veth_dev"
# The address the device is moved to by set-static, already on its link.
ip -n "$ns_dev" addr add 10.222.0.50/24 dev "$veth_dev" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# start_far SETTINGS: the device behind the router.
start_far() {
  stop_process "$far_pid"
  ip netns exec "$ns_dev" "$device_bin" --log --device "$1" >"$workdir/far.log" 2>&1 &
  far_pid=$!
  wait_for_ready "$workdir/far.log" "$far_pid" "device program (far)"
}
far_lines() { wc -l <"$workdir/far.log"; }

# The tool as a user runs it in the workstation namespace (bounded to 30 s).
cli() {
  timeout 30 ip netns exec "$ns_ws" "$cli_bin" "$@" >"$workdir/out" 2>"$workdir/err" </dev/null
  rc=$?
}
expect_rc() {  # expected, description
  if [ "$rc" -eq "$1" ]; then ok "$2"; else fail "$2: exit $rc, expected $1; stderr: $(cat "$workdir/err")"; fi
}
expect_out() {  # grep pattern, description
  grep -q -- "$1" "$workdir/out" || fail "$2: output lacks $1: $(cat "$workdir/out")"
}
expect_no_out() {
  ! grep -q -- "$1" "$workdir/out" || fail "$2: output holds $1: $(cat "$workdir/out")"
}

# A device on the workstation's own segment (the router's side of it).
ip netns exec "$ns_rt" "$device_bin" --log --device "ip=10.221.0.2,name=Near,shares=near" \
  >"$workdir/near.log" 2>&1 &
near_pid=$!
wait_for_ready "$workdir/near.log" "$near_pid" "device program (near)"
start_far "ip=10.222.0.2,name=Far,shares=public:media"

cli scan --json
expect_rc 0 "scan without a target"
expect_out '"name": "Near"' "the segment's device is found"
expect_no_out '"name": "Far"' "without a target the device behind the router is not found"
grep -q "search for" "$workdir/far.log" && fail "a group search crossed the router"

cli scan --json --target 10.222.0.2
expect_rc 0 "scan --target 10.222.0.2"
expect_out '"name": "Far", "ip": "10.222.0.2"' "the device behind the router is listed"
expect_out '"name": "Near"' "and the segment's device too"

cli shares 10.222.0.2 --target 10.222.0.2
expect_rc 0 "shares across the router"
[ "$(cat "$workdir/out")" = "$(printf 'SHARE\npublic\nmedia')" ] || fail "shares: $(cat "$workdir/out")"
cli --target 10.222.0.2 login 10.222.0.2
expect_rc 0 "login across the router"
cli login 10.222.0.2 --target 10.222.0.2 --password wrong
expect_rc 1 "a wrong password across the router is refused"
cli set-static 10.222.0.2 --ip 10.222.0.50 --netmask 255.255.255.0 --gateway 10.222.0.1 --target 10.222.0.2
expect_rc 0 "set-static across the router"
expect_out '^10.222.0.50$' "the new address is printed"
cli scan --json --target 10.222.0.50
expect_out '"name": "Far", "ip": "10.222.0.50"' "listed at its new address"
cli shares 10.222.0.50 --target 10.222.0.50
expect_rc 0 "shares under the new address"
grep -q "share query for 10.222.0.50" "$workdir/far.log" || fail "no share query under the new address: $(tail -3 "$workdir/far.log")"

# The segment's own device as a target: once.
cli scan --json --target 10.221.0.2
expect_rc 0 "scan --target on the segment's device"
[ "$(grep -c '"name": "Near"' "$workdir/out")" -eq 1 ] || fail "the segment's device is listed $(grep -c Near "$workdir/out") times"
cli shares 10.221.0.2 --target 10.221.0.2
expect_rc 0 "shares of the segment's device given as a target"

# Replies to the group or by broadcast stay on the device's side.
for mode in group broadcast; do
  start_far "ip=10.222.0.2,name=Far,shares=public,reply=$mode"
  cli scan --json --target 10.222.0.2
  expect_no_out '"name": "Far"' "a device that replies by $mode is not heard across the router"
  grep -q "search for 10.222.0.2" "$workdir/far.log" || fail "$mode: the unicast search did not reach the device"
done

# Bad targets: refused with exit code 2, nothing sent.
start_far "ip=10.222.0.2,name=Far,shares=public"
before=$(far_lines)
for bad in 10.222.0 far.example 0.0.0.0 255.255.255.255 224.0.0.1 239.255.255.250 127.0.0.1; do
  cli scan --target 10.222.0.2 --target "$bad"
  expect_rc 2 "--target $bad refused"
  echo "    $(cat "$workdir/err")"
done
[ "$(far_lines)" -eq "$before" ] || fail "a refused command reached the device: $(tail -3 "$workdir/far.log")"

# The route to the devices' subnet moves to a link that cannot multicast
# (as a VPN's): the segment search does not use it, its replies are heard.
set -e
netns_link "$ns_ws" "$veth_vpn" 10.223.0.1/24 "$ns_rt" "$veth_rv" 10.223.0.2/24
ip -n "$ns_ws" link set "$veth_vpn" multicast off
ip -n "$ns_ws" route add 10.222.0.0/24 via 10.223.0.2
set +e
cli scan --json --target 10.222.0.2
expect_rc 0 "scan over the link that cannot multicast"
expect_out '"name": "Far"' "found through the link that cannot multicast"
cli shares 10.222.0.2 --target 10.222.0.2
expect_rc 0 "shares through the link that cannot multicast"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "routed: all passed"
