#!/usr/bin/env bash
# End-to-end: tessavue-device in one network namespace, tessavue-cli in
# another, joined by a veth pair (10.213.0.0/16, never leaves the namespaces).
# Usage: e2e.sh BUILD_DIR SCENARIO
# Exit 77 (skipped) when namespaces cannot be made here.
set -u
build=$1
scenario=$2
device_bin=$build/device/tessavue-device
cli_bin=$build/cli/tessavue-cli

. "$(dirname "$0")/netns_pair.sh"
netns_require_root

tag=$$-$RANDOM
ns_ws=tv-ws-$tag
ns_dev=tv-dev-$tag
veth_ws=tvw$$
veth_dev=tvd$$
workdir=$(mktemp -d)
device_pid=""

cleanup() {
  stop_process "$device_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_pair_create "$ns_ws" "$ns_dev" "$veth_ws" "$veth_dev" 10.213.0

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the device program with the given arguments; waits (at most 5 s)
# until it listens.
start_devices() {
  ip netns exec "$ns_dev" "$device_bin" --log "$@" >"$workdir/device.log" 2>&1 &
  device_pid=$!
  for _ in $(seq 50); do
    grep -q "ready" "$workdir/device.log" 2>/dev/null && return 0
    kill -0 "$device_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "device program did not start:"; cat "$workdir/device.log"
  exit 1
}

# Runs the tool in the workstation namespace (bounded to 30 s); output in
# $workdir/out and $workdir/err, exit code in $rc.
cli() {
  timeout 30 ip netns exec "$ns_ws" "$cli_bin" --local-ip 10.213.0.1 "$@" \
    >"$workdir/out" 2>"$workdir/err" </dev/null
  rc=$?
}

expect_rc() {  # expected, description
  [ "$rc" -eq "$1" ] || fail "$2: exit $rc, expected $1; stderr: $(cat "$workdir/err")"
}

expect_out() {  # grep pattern, description
  grep -q -- "$1" "$workdir/out" || fail "$2: output lacks $1: $(cat "$workdir/out")"
}

log_lines() { wc -l <"$workdir/device.log"; }

case "$scenario" in
  discovery)
    start_devices \
      --device "ip=10.213.1.10,name=Alpha,shares=public:media" \
      --device "ip=10.213.1.11,name=" \
      --device "ip=10.213.1.10,name=Duplicate,delay-ms=200" \
      --device "ip=10.213.1.12,name=Q%22uote%5Cd%01%E9,dhcp=1,netmask=255.255.0.0,gateway=10.213.0.9"
    cli scan --json
    expect_rc 0 "scan"
    [ "$(grep -c '"ip"' "$workdir/out")" -eq 3 ] || fail "scan: expected 3 devices: $(cat "$workdir/out")"
    expect_out '"name": "Alpha", "ip": "10.213.1.10"' "first reply wins"
    grep -q Duplicate "$workdir/out" && fail "a second device at the same address was listed"
    expect_out '"name": "", "ip": "10.213.1.11"' "empty name"
    expect_out '"name": "Q\\"uote\\\\d\\u0001\\u00e9", "ip": "10.213.1.12", "netmask": "255.255.0.0", "gateway": "10.213.0.9", "dhcp": true' "escaped name, DHCP"
    expect_out '"id": "001b7e0000000ad5010a"' "device identifier"
    cli scan
    expect_rc 0 "scan table"
    expect_out '^NAME  *IP  *NETMASK  *GATEWAY  *DHCP  *ID$' "table header"
    ;;

  shares-login)
    start_devices \
      --device "ip=10.213.1.10,name=Alpha,shares=:public::media:public,password=s3cret"
    cli shares 10.213.1.10 --json
    expect_rc 0 "shares"
    [ "$(cat "$workdir/out")" = '["public", "media"]' ] || fail "shares: $(cat "$workdir/out")"
    cli login 10.213.1.10 --password s3cret
    expect_rc 0 "right password"
    cli login 10.213.1.10
    expect_rc 1 "default password on a device with its own"
    cli login 10.213.1.99
    expect_rc 3 "no such device"
    grep -q "s3cret" "$workdir/err" "$workdir/out" && fail "password echoed"
    grep -q "password check for 10.213.1.10 accepted" "$workdir/device.log" || fail "device saw no accepted login"
    ;;

  set-static)
    start_devices --device "ip=10.213.1.10,name=Alpha"
    cli set-static 10.213.1.10 --ip 10.213.2.20 --netmask 255.255.0.0 --gateway 10.213.0.254
    expect_rc 0 "set-static"
    expect_out '^10.213.2.20$' "new address printed"
    cli scan --json
    expect_out '"name": "Alpha", "ip": "10.213.2.20", "netmask": "255.255.0.0", "gateway": "10.213.0.254", "dhcp": false' "listed at the new address"
    cli shares 10.213.2.20
    expect_rc 0 "answers under the new address"
    cli shares 10.213.1.10
    expect_rc 3 "the old address is gone"
    ;;

  set-dhcp)
    start_devices --device "ip=10.213.1.10,name=Alpha,dhcp-ip=10.213.3.30"
    cli set-dhcp 10.213.1.10
    expect_rc 0 "set-dhcp"
    expect_out '^10.213.3.30$' "new address printed"
    grep -q "Set to dhcp client done!" "$workdir/err" || fail "set-dhcp message"
    cli scan --json
    expect_out '"ip": "10.213.3.30", "netmask": "255.255.255.0", "gateway": "10.213.1.1", "dhcp": true' "listed with DHCP"
    ;;

  refused)
    start_devices --device "ip=10.213.1.10,name=Alpha,password=other"
    before=$(log_lines)
    cli set-static 10.213.1.10 --ip 10.213.1.20 --netmask 255.255.255.0 --gateway 10.213.2.1
    expect_rc 2 "gateway outside the subnet"
    grep -q "Gateway address input error!" "$workdir/err" || fail "gateway message: $(cat "$workdir/err")"
    cli set-static 10.213.1.10 --netmask 255.255.255.0 --gateway 10.213.1.1
    expect_rc 2 "missing address"
    grep -q "Please input IP address!" "$workdir/err" || fail "missing address message"
    cli set-static 10.213.1.10 --ip 10.213.1.300 --netmask 255.255.255.0 --gateway 10.213.1.1
    expect_rc 2 "malformed address"
    sleep 0.3
    [ "$(log_lines)" -eq "$before" ] || fail "refused input reached the device: $(tail -n +$((before + 1)) "$workdir/device.log")"
    cli set-dhcp 10.213.1.10
    expect_rc 1 "wrong password"
    grep -q "password check for 10.213.1.10 refused" "$workdir/device.log" || fail "no refused login seen"
    grep -q "set " "$workdir/device.log" && fail "a set request was sent after a refused login"
    ;;

  scale)
    # One search lists 1000 devices in about the time of a search of one.
    start_devices --device "ip=10.213.1.1,name=Single"
    t0=$(date +%s%N); cli scan --json; t1=$(date +%s%N)
    one_ms=$(((t1 - t0) / 1000000))
    [ "$(grep -c '"ip"' "$workdir/out")" -eq 1 ] || fail "single search"
    kill "$device_pid"; wait "$device_pid" 2>/dev/null; device_pid=""
    ip netns exec "$ns_dev" "$device_bin" --generate "count=1000,ip=10.213.4.1,netmask=255.255.0.0" \
      >"$workdir/device.log" 2>&1 &
    device_pid=$!
    for _ in $(seq 50); do grep -q ready "$workdir/device.log" && break; sleep 0.1; done
    t0=$(date +%s%N); cli scan --json; t1=$(date +%s%N)
    many_ms=$(((t1 - t0) / 1000000))
    listed=$(grep -c '"ip"' "$workdir/out")
    echo "search of 1: ${one_ms} ms; search of 1000: ${many_ms} ms, ${listed} listed"
    [ "$listed" -eq 1000 ] || fail "1000 devices: $listed listed"
    [ "$many_ms" -lt $((one_ms + 1000)) ] || fail "1000 devices took ${many_ms} ms against ${one_ms} ms for one"
    ;;

  *)
    echo "unknown scenario $scenario"; exit 2 ;;
esac

if [ "$failures" -ne 0 ]; then
  echo "device log:"; tail -20 "$workdir/device.log"
  exit 1
fi
echo "PASS: $scenario"
