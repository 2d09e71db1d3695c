#!/usr/bin/env bash
# End-to-end: tessavue-device in one network namespace, tessavue-cli in
# another, joined by a veth pair (10.213.0.0/16, never leaves the namespaces).
# Usage: e2e.sh BUILD_DIR SCENARIO[.group|.broadcast]
# The suffix makes every device of the scenario reply to the group or by
# broadcast instead of by unicast.
# Exit 77 (skipped) when namespaces cannot be made here.
set -u
build=$1
scenario=${2%%.*}
reply=unicast
[ "$scenario" != "$2" ] && reply=${2#*.}
device_bin=$build/device/tessavue-device
cli_bin=$build/cli/tessavue-cli
probe_bin=$build/tests/e2e/transport_probe

# shellcheck source=SCRIPTDIR/netns_pair.sh
. "$(dirname "$0")/netns_pair.sh"
netns_require_root

tag=$$-$RANDOM
ns_ws=tv-ws-$tag
ns_dev=tv-dev-$tag
veth_ws=tvw$$
veth_dev=tvd$$
workdir=$(mktemp -d)
device_pid=""
ns_other=""
device2_pid=""
ns_dev2=""
session_pid=""

cleanup() {
  exec 7>&- 2>/dev/null
  stop_process "$session_pid"
  stop_process "$device_pid"
  stop_process "$device2_pid"
  netns_pair_delete "$ns_ws" "$ns_dev"
  [ -n "$ns_other" ] && ip netns del "$ns_other" 2>/dev/null
  [ -n "$ns_dev2" ] && ip netns del "$ns_dev2" 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

netns_pair_create "$ns_ws" "$ns_dev" "$veth_ws" "$veth_dev" 10.213.0

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the device program with the given arguments.
start_devices() {
  ip netns exec "$ns_dev" "$device_bin" --log "$@" >"$workdir/device.log" 2>&1 &
  device_pid=$!
  wait_for_ready "$workdir/device.log" "$device_pid" "device program"
}

# Runs the tool in the workstation namespace (bounded to 30 s); output in
# $workdir/out and $workdir/err, exit code in $rc.
cli() {
  timeout 30 ip netns exec "$ns_ws" "$cli_bin" --local-ip 10.213.0.1 "$@" \
    >"$workdir/out" 2>"$workdir/err" </dev/null
  rc=$?
}

# The tool as a user runs it, on every network of the workstation.
cli_all() {
  timeout 30 ip netns exec "$ns_ws" "$cli_bin" "$@" >"$workdir/out" 2>"$workdir/err" </dev/null
  rc=$?
}

expect_rc() {  # expected, description
  [ "$rc" -eq "$1" ] || fail "$2: exit $rc, expected $1; stderr: $(cat "$workdir/err")"
}

expect_out() {  # grep pattern, description
  grep -q -- "$1" "$workdir/out" || fail "$2: output lacks $1: $(cat "$workdir/out")"
}

log_lines() { wc -l <"$workdir/device.log"; }

# A device's settings in this run's reply mode. A broadcast goes to the
# device's own subnet, so unless the scenario names a netmask the device is put
# on the veth pair's /16, as a real device shares the workstation's subnet.
dev() {
  local settings=$1
  [ "$reply" = unicast ] || settings="$settings,reply=$reply"
  [ "$reply" = broadcast ] && [[ ",$1" != *",netmask="* ]] && settings="$settings,netmask=255.255.0.0"
  echo "$settings"
}
mask=255.255.255.0
[ "$reply" = broadcast ] && mask=255.255.0.0

# transport_probe listening as the workstation for MS milliseconds, output in
# $workdir/NAME; waits until it is ready. Sets $probe_pid.
# With UNPRIVILEGED=1 it runs as the user nobody.
probe_listen() {  # name, ms
  local as=()
  if [ "${UNPRIVILEGED:-0}" = 1 ]; then
    # A copy nobody can reach, wherever the build is.
    chmod 755 "$workdir"
    install -m 755 "$probe_bin" "$workdir/transport_probe"
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    ip netns exec "$ns_ws" "${as[@]}" "$workdir/transport_probe" listen 10.213.0.1 "$2" >"$workdir/$1" 2>&1 &
  else
    ip netns exec "$ns_ws" "$probe_bin" listen 10.213.0.1 "$2" >"$workdir/$1" 2>&1 &
  fi
  probe_pid=$!
  wait_for_ready "$workdir/$1" "$probe_pid" transport_probe
}

send_from() {  # namespace, destination, payload
  ip netns exec "$1" "$probe_bin" send "$2" "$3" || fail "cannot send $3 to $2"
}

# heard NAME WORD...: each word was heard by probe NAME; not_heard likewise.
heard() {
  local f=$workdir/$1 w; shift
  for w in "$@"; do grep -qx "$w" "$f" || fail "$(basename "$f") did not hear $w: $(tr '\n' ' ' <"$f")"; done
}
not_heard() {
  local f=$workdir/$1 w; shift
  for w in "$@"; do grep -qx "$w" "$f" && fail "$(basename "$f") heard $w"; done
}

texthex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
# A 16-byte text field: the text, zero-padded.
fieldhex() {
  local h; h=$(texthex "$1")
  while [ ${#h} -lt 32 ]; do h=${h}00; done
  echo "$h"
}
# A search reply from "Stranger" (10.213.1.66) to the client identifier
# CLIENT (20 hex digits).
stranger_reply() {
  echo "hex:02${1}0a0b0c0d0e0f0ad50142300000$(fieldhex 255.255.255.0)$(fieldhex 10.213.1.1)08000000$(texthex Stranger)"
}

# A long-lived workstation (transport_probe session) over every network of
# the workstation namespace, fed one command a line; its output in
# $workdir/session. Sets $session_pid and holds the commands on fd 7.
session_start() {
  mkfifo "$workdir/commands"
  ip netns exec "$ns_ws" "$probe_bin" session - 100000 <"$workdir/commands" >"$workdir/session" 2>&1 &
  session_pid=$!
  exec 7>"$workdir/commands"
  wait_for_ready "$workdir/session" "$session_pid" "transport_probe session"
}
# session_command COMMAND PATTERN: sends COMMAND and waits (at most 10 s) for
# a new line matching PATTERN; the lines the command printed are then in
# $workdir/answer.
session_command() {
  local before; before=$(wc -l <"$workdir/session")
  echo "$1" >&7
  for _ in $(seq 100); do
    tail -n +$((before + 1)) "$workdir/session" | grep -q "$2" && break
    kill -0 "$session_pid" 2>/dev/null || break
    sleep 0.1
  done
  tail -n +$((before + 1)) "$workdir/session" >"$workdir/answer"
  grep -q "$2" "$workdir/answer" || fail "$1: no answer: $(cat "$workdir/answer")"
}
session_search() { session_command search '^searched '; }
session_shares() { session_command "shares $1" '^shares '; }
expect_search() {  # exact line, description
  grep -qx "$1" "$workdir/answer" || fail "$2: search lacks '$1': $(tr '\n' '|' <"$workdir/answer")"
}
expect_devices() {  # count, description
  [ "$(grep -c '^device ' "$workdir/answer")" -eq "$1" ] || fail "$2: expected $1 devices: $(tr '\n' '|' <"$workdir/answer")"
}
expect_shares() {  # start of the line, description
  grep -q "^$1" "$workdir/answer" || fail "$2: expected '$1': $(cat "$workdir/answer")"
}
# The last request ended without waiting for an answer (far below the
# 1.1 s a request to a silent device waits).
expect_quick() {
  local ms; ms=$(awk '/^shares /{print $NF}' "$workdir/answer")
  { [ -n "$ms" ] && [ "$ms" -lt 200 ]; } || fail "$1: took ${ms:-?} ms"
}
# Gives the workstation's end of the first link ADDRESS/PREFIX (with the
# multicast route the namespace had).
ws_address() {
  ip -n "$ns_ws" addr add "$1" brd + dev "$veth_ws"
  ip -n "$ns_ws" route replace 224.0.0.0/4 dev "$veth_ws"
}

case "$scenario" in
  discovery)
    start_devices \
      --device "$(dev "ip=10.213.1.10,name=Alpha,shares=public:media")" \
      --device "$(dev "ip=10.213.1.11,name=")" \
      --device "$(dev "ip=10.213.1.10,name=Duplicate,delay-ms=200")" \
      --device "$(dev "ip=10.213.1.12,name=Q%22uote%5Cd%01%E9,dhcp=1,netmask=255.255.0.0,gateway=10.213.0.9")"
    # An older program of ours holds the port meanwhile: it hears the replies
    # to the group and the broadcasts too; Linux gives each unicast datagram
    # to the newest socket only, here the scan's.
    probe_listen older 3000
    cli scan --json
    wait "$probe_pid"
    if [ "$reply" = unicast ]; then
      grep -q "Alpha" "$workdir/older" && fail "the older program heard a unicast reply"
    else
      grep -q "Alpha" "$workdir/older" || fail "the older program did not hear the $reply replies"
    fi
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
      --device "$(dev "ip=10.213.1.10,name=Alpha,shares=:public::media:public,password=s3cret")"
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
    start_devices --device "$(dev "ip=10.213.1.10,name=Alpha")"
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
    start_devices --device "$(dev "ip=10.213.1.10,name=Alpha,dhcp-ip=10.213.3.30")"
    cli set-dhcp 10.213.1.10
    expect_rc 0 "set-dhcp"
    expect_out '^10.213.3.30$' "new address printed"
    grep -q "Set to dhcp client done!" "$workdir/err" || fail "set-dhcp message"
    cli scan --json
    expect_out "\"ip\": \"10.213.3.30\", \"netmask\": \"$mask\", \"gateway\": \"10.213.1.1\", \"dhcp\": true" "listed with DHCP"
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

  mixed-modes)
    # One search over a segment with a device of each reply mode.
    start_devices \
      --device "ip=10.213.1.10,name=By-Unicast" \
      --device "ip=10.213.1.11,name=To-Group,reply=group" \
      --device "ip=10.213.1.12,name=By-Broadcast,reply=broadcast,netmask=255.255.0.0"
    cli scan --json
    expect_rc 0 "scan"
    [ "$(grep -c '"ip"' "$workdir/out")" -eq 3 ] || fail "scan: expected 3 devices: $(cat "$workdir/out")"
    expect_out '"name": "By-Unicast", "ip": "10.213.1.10"' "unicast device"
    expect_out '"name": "To-Group", "ip": "10.213.1.11"' "group device"
    expect_out '"name": "By-Broadcast", "ip": "10.213.1.12"' "broadcast device"
    ;;

  other-workstation)
    # Replies to the group for other workstations reach this one too and are
    # ignored: one from a workstation at 10.213.0.77, one for another program
    # on this workstation (same address, other six leading bytes).
    start_devices --device "ip=10.213.1.10,name=Alpha,reply=group"
    probe_listen older 3000
    (
      for _ in $(seq 15); do
        send_from "$ns_dev" 224.0.0.1 "$(stranger_reply 1122334455660ad5004d)"
        send_from "$ns_dev" 224.0.0.1 "$(stranger_reply 1122334455660ad50001)"
        sleep 0.1
      done
    ) &
    sender=$!
    cli scan --json
    wait "$sender"
    wait "$probe_pid"
    expect_rc 0 "scan"
    expect_out '"name": "Alpha", "ip": "10.213.1.10"' "the device that answered this workstation"
    grep -q Stranger "$workdir/out" && fail "a reply for another workstation was listed: $(cat "$workdir/out")"
    grep -q Stranger "$workdir/older" || fail "the stranger's replies never reached the workstation"
    ;;

  receive-socket)
    # What the receive socket keeps, opened by an unprivileged user: unicast
    # to the workstation's address, the group and broadcasts on its interface;
    # nothing from a third namespace on a second interface of the workstation,
    # not even unicast to its address. Its own request to the group does not
    # come back.
    ns_other=tv-oth-$tag
    ip netns add "$ns_other" || fail "cannot add a third namespace"
    ip link add "tvo$$" type veth peer name "tvp$$"
    ip link set "tvo$$" netns "$ns_ws"
    ip link set "tvp$$" netns "$ns_other"
    ip -n "$ns_ws" addr add 10.215.0.1/16 brd + dev "tvo$$"
    ip -n "$ns_other" addr add 10.215.0.2/16 brd + dev "tvp$$"
    ip -n "$ns_ws" link set "tvo$$" up
    ip -n "$ns_other" link set "tvp$$" up
    ip -n "$ns_other" route add 224.0.0.0/4 dev "tvp$$"
    ip -n "$ns_other" route add 10.213.0.0/16 via 10.215.0.1
    if command -v setpriv >/dev/null; then UNPRIVILEGED=1; else echo "note: no setpriv, probe runs as root"; fi
    probe_listen ws 2500
    send_from "$ns_dev" 10.213.0.1 dev-unicast
    send_from "$ns_dev" 224.0.0.1 dev-group
    send_from "$ns_dev" 10.213.255.255 dev-broadcast
    send_from "$ns_other" 10.213.0.1 other-unicast
    send_from "$ns_other" 224.0.0.1 other-group
    send_from "$ns_other" 10.215.255.255 other-broadcast
    wait "$probe_pid"
    heard ws dev-unicast dev-group dev-broadcast
    not_heard ws other-unicast other-group other-broadcast self
    [ "${UNPRIVILEGED:-0}" = 1 ] && echo "receive socket opened as $(ip netns exec "$ns_ws" setpriv --reuid=65534 id -un)"
    ;;

  two-instances)
    # Two programs on one workstation: both hear the group and broadcasts;
    # unicast goes to the one that opened its socket last, and back to the
    # other once it has closed.
    probe_listen first 3500
    first_pid=$probe_pid
    probe_listen second 1200
    send_from "$ns_dev" 10.213.0.1 unicast-1
    send_from "$ns_dev" 224.0.0.1 group-1
    send_from "$ns_dev" 10.213.255.255 broadcast-1
    wait "$probe_pid"
    send_from "$ns_dev" 10.213.0.1 unicast-2
    send_from "$ns_dev" 224.0.0.1 group-2
    send_from "$ns_dev" 10.213.255.255 broadcast-2
    wait "$first_pid"
    heard second unicast-1 group-1 broadcast-1
    heard first group-1 broadcast-1 unicast-2 group-2 broadcast-2
    not_heard first unicast-1
    ;;

  two-networks)
    # The workstation on three links: devices behind the first (10.213/16)
    # and the second (10.216/16), none behind the third (10.217/16), whose
    # far side only listens. One search lists the devices of both; each
    # request reaches its device over the link it was found on.
    ns_dev2=tv-dv2-$tag
    ns_other=tv-oth-$tag
    netns_link_add "$ns_ws" "$ns_dev2" "tvx$$" "tvy$$" 10.216.0 || fail "cannot add the second link"
    netns_link_add "$ns_ws" "$ns_other" "tvo$$" "tvp$$" 10.217.0 || fail "cannot add the third link"
    start_devices --device "$(dev "ip=10.213.1.10,name=Alpha,shares=public:media")"
    ip netns exec "$ns_dev2" "$device_bin" --log \
      --device "$(dev "ip=10.216.1.20,name=Beta,shares=music,password=s3cret")" >"$workdir/device2.log" 2>&1 &
    device2_pid=$!
    wait_for_ready "$workdir/device2.log" "$device2_pid" "second device program"
    ip netns exec "$ns_other" "$probe_bin" listen 10.217.0.2 2500 >"$workdir/third" 2>&1 &
    probe_pid=$!
    wait_for_ready "$workdir/third" "$probe_pid" transport_probe
    cli_all scan --json
    wait "$probe_pid"
    expect_rc 0 "scan over every network"
    [ "$(grep -c '"ip"' "$workdir/out")" -eq 2 ] || fail "scan: expected 2 devices: $(cat "$workdir/out")"
    expect_out '"name": "Alpha", "ip": "10.213.1.10"' "device of the first link"
    expect_out '"name": "Beta", "ip": "10.216.1.20"' "device of the second link"
    # The third link got the three search requests (11 bytes each).
    [ "$(grep -c '^.\{11\}$' "$workdir/third")" -eq 3 ] || fail "third link: $(cat -v "$workdir/third")"
    cli scan --json
    { [ "$(grep -c '"ip"' "$workdir/out")" -eq 1 ] && grep -q Alpha "$workdir/out"; } ||
      fail "--local-ip: only the first link's device: $(cat "$workdir/out")"
    cli_all shares 10.216.1.20 --json
    expect_rc 0 "shares of the second link's device"
    [ "$(cat "$workdir/out")" = '["music"]' ] || fail "shares: $(cat "$workdir/out")"
    cli_all shares 10.213.1.10 --json
    [ "$(cat "$workdir/out")" = '["public", "media"]' ] || fail "shares: $(cat "$workdir/out")"
    cli_all login 10.216.1.20 --password s3cret
    expect_rc 0 "login on the second link"
    cli_all login 10.213.1.10
    expect_rc 0 "login on the first link"
    cli_all set-static 10.216.1.20 --ip 10.216.2.20 --netmask 255.255.0.0 --gateway 10.216.0.254 --password s3cret
    expect_rc 0 "set-static on the second link"
    cli_all set-static 10.213.1.10 --ip 10.213.2.10 --netmask 255.255.0.0 --gateway 10.213.0.254
    expect_rc 0 "set-static on the first link"
    cli_all scan --json
    expect_out '"name": "Alpha", "ip": "10.213.2.10"' "first link's device at its new address"
    expect_out '"name": "Beta", "ip": "10.216.2.20"' "second link's device at its new address"
    grep -q "password check for 10.216.1.20 accepted" "$workdir/device2.log" || fail "no accepted login on the second link"
    grep -q "set static for 10.216.2.20" "$workdir/device2.log" || fail "no static set on the second link: $(cat "$workdir/device2.log")"
    ;;

  changing-networks)
    # One long-lived workstation while its networks change under it: no
    # address at start, then one; a new address on the same link; a second
    # link that comes and goes; a link-local address. Every search is made
    # on the networks of that moment; a request to a device whose network has
    # gone fails at once and sends nothing.
    ip -n "$ns_ws" addr flush dev "$veth_ws"
    start_devices --device "$(dev "ip=10.213.1.10,name=Alpha,shares=public:media")"
    session_start
    session_search
    expect_search "interfaces" "no address at start"
    expect_devices 0 "no address at start"
    [ "$(grep -c '^search for' "$workdir/device.log")" -eq 0 ] || fail "a search went out without an address"

    ws_address 10.213.0.1/16
    session_search
    expect_search "interfaces 10.213.0.1" "link up after start"
    expect_search "device Alpha 10.213.1.10" "link up after start"
    expect_devices 1 "link up after start"
    session_shares 10.213.1.10
    expect_shares "shares ok public:media" "link up after start"

    # A new lease: the device was heard under the old address.
    ip -n "$ns_ws" addr del 10.213.0.1/16 dev "$veth_ws"
    ws_address 10.213.0.7/16
    before=$(log_lines)
    session_shares 10.213.1.10
    expect_shares "shares fail" "request under the old address"
    expect_quick "request under the old address"
    sleep 0.3
    [ "$(log_lines)" -eq "$before" ] || fail "a request under the old address reached the device: $(tail -n +$((before + 1)) "$workdir/device.log")"
    session_search
    expect_search "interfaces 10.213.0.7" "address change"
    expect_search "device Alpha 10.213.1.10" "address change"
    session_shares 10.213.1.10
    expect_shares "shares ok public:media" "address change"

    # A second link with a device of its own, then that link removed.
    ns_dev2=tv-dv2-$tag
    netns_link_add "$ns_ws" "$ns_dev2" "tvx$$" "tvy$$" 10.216.0 || fail "cannot add the second link"
    ip netns exec "$ns_dev2" "$device_bin" --log \
      --device "$(dev "ip=10.216.1.20,name=Beta,shares=music")" >"$workdir/device2.log" 2>&1 &
    device2_pid=$!
    wait_for_ready "$workdir/device2.log" "$device2_pid" "second device program"
    session_search
    expect_search "interfaces 10.213.0.7 10.216.0.1" "second link added"
    expect_search "device Beta 10.216.1.20" "second link added"
    expect_devices 2 "second link added"
    session_shares 10.216.1.20
    expect_shares "shares ok music" "second link added"
    ip -n "$ns_ws" link del "tvx$$"
    session_shares 10.216.1.20
    expect_shares "shares fail" "device of the removed link"
    expect_quick "device of the removed link"
    session_shares 10.213.1.10
    expect_shares "shares ok public:media" "first link's device with the second removed"
    session_search
    expect_search "interfaces 10.213.0.7" "second link removed"
    expect_devices 1 "second link removed"
    [ "$(grep -c '^share query' "$workdir/device2.log")" -eq 1 ] || fail "second device: $(cat "$workdir/device2.log")"

    # Both ends take link-local addresses (a laptop wired to an enclosure).
    ip -n "$ns_ws" addr flush dev "$veth_ws"
    ws_address 169.254.7.9/16
    ip -n "$ns_dev" addr add 169.254.30.1/16 brd + dev "$veth_dev"
    stop_process "$device_pid"
    start_devices --device "$(dev "ip=169.254.30.40,name=Direct,netmask=255.255.0.0,shares=direct")"
    session_search
    expect_search "interfaces 169.254.7.9" "link-local"
    expect_search "device Direct 169.254.30.40" "link-local"
    expect_devices 1 "link-local"
    session_shares 169.254.30.40
    expect_shares "shares ok direct" "link-local"
    echo quit >&7
    wait "$session_pid"
    session_pid=""
    ;;

  *)
    echo "unknown scenario $scenario"; exit 2 ;;
esac

if [ "$failures" -ne 0 ]; then
  [ -f "$workdir/device.log" ] && { echo "device log:"; tail -20 "$workdir/device.log"; }
  exit 1
fi
echo "PASS: $2"
