# shellcheck shell=bash
# Sourced by the real-network tests: a workstation namespace and a device
# namespace joined by a veth pair, with the multicast route and the subnet's
# broadcast address on each side.
# The traffic never leaves the two namespaces.

# Exits 77 (skipped) unless namespaces can be made here.
netns_require_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: needs root to create network namespaces (CI runs as root)"
    exit 77
  fi
  if ! command -v ip >/dev/null; then
    echo "SKIP: the ip command (iproute2) is not installed"
    exit 77
  fi
}

# netns_pair_create NS_WS NS_DEV VETH_WS VETH_DEV NET
# NET is the first three octets of a /16 test range ("10.213.0"): the
# workstation gets NET.1, the device side NET.2. Exits 77 when the namespaces
# cannot be made.
netns_pair_create() {
  local ns_ws=$1 ns_dev=$2 veth_ws=$3 veth_dev=$4 net=$5
  if ! ip netns add "$ns_ws" 2>/dev/null; then
    echo "SKIP: cannot create network namespaces here (ip netns add failed)"
    exit 77
  fi
  set -e
  ip -n "$ns_ws" link set lo up
  netns_link_add "$ns_ws" "$ns_dev" "$veth_ws" "$veth_dev" "$net"
  ip -n "$ns_ws" route add 224.0.0.0/4 dev "$veth_ws"
  set +e
}

# netns_link_add NS_WS NS_OTHER VETH_WS VETH_OTHER NET
# A veth link from the existing workstation namespace NS_WS to a new
# namespace NS_OTHER: NET.1/16 on the workstation's side, NET.2/16 on the
# other, each with the subnet's broadcast address. The multicast route only
# on the far side: the workstation has one (netns_pair_create adds it), and
# the programs pick each link for their requests themselves.
netns_link_add() {
  local ns_ws=$1 ns_other=$2 veth_ws=$3 veth_other=$4 net=$5
  ip netns add "$ns_other" || return 1
  ip -n "$ns_other" link set lo up
  netns_link "$ns_ws" "$veth_ws" "$net.1/16" "$ns_other" "$veth_other" "$net.2/16" || return 1
  ip -n "$ns_other" route add 224.0.0.0/4 dev "$veth_other"
}

# netns_link NS_A VETH_A ADDR_A NS_B VETH_B ADDR_B: a veth link between two
# existing namespaces (addresses with their prefix, each with its subnet's
# broadcast address).
netns_link() {
  ip link add "$2" type veth peer name "$5" || return 1
  ip link set "$2" netns "$1"
  ip link set "$5" netns "$4"
  ip -n "$1" addr add "$3" brd + dev "$2"
  ip -n "$4" addr add "$6" brd + dev "$5"
  ip -n "$1" link set "$2" up
  ip -n "$4" link set "$5" up
}

# netns_routed_create NS_WS NS_RT NS_DEV VETH_WS VETH_RW VETH_RD VETH_DEV
# Three namespaces: the workstation (10.221.0.1/24 on VETH_WS), a router with
# forwarding on (10.221.0.2 on VETH_RW, 10.222.0.1 on VETH_RD) and the
# devices' subnet (10.222.0.2/24 on VETH_DEV), each side with a default route
# through the router and a multicast route on its own link. Exits 77 when
# the namespaces cannot be made.
netns_routed_create() {
  local ns_ws=$1 ns_rt=$2 ns_dev=$3 veth_ws=$4 veth_rw=$5 veth_rd=$6 veth_dev=$7 ns
  if ! ip netns add "$ns_ws" 2>/dev/null; then
    echo "SKIP: cannot create network namespaces here (ip netns add failed)"
    exit 77
  fi
  set -e
  ip netns add "$ns_rt"
  ip netns add "$ns_dev"
  for ns in "$ns_ws" "$ns_rt" "$ns_dev"; do ip -n "$ns" link set lo up; done
  netns_link "$ns_ws" "$veth_ws" 10.221.0.1/24 "$ns_rt" "$veth_rw" 10.221.0.2/24
  netns_link "$ns_rt" "$veth_rd" 10.222.0.1/24 "$ns_dev" "$veth_dev" 10.222.0.2/24
  ip netns exec "$ns_rt" sysctl -qw net.ipv4.ip_forward=1
  ip -n "$ns_ws" route add default via 10.221.0.2
  ip -n "$ns_ws" route add 224.0.0.0/4 dev "$veth_ws"
  ip -n "$ns_rt" route add 224.0.0.0/4 dev "$veth_rw"
  ip -n "$ns_dev" route add default via 10.222.0.1
  ip -n "$ns_dev" route add 224.0.0.0/4 dev "$veth_dev"
  set +e
}

# netns_pair_delete NS_WS NS_DEV (the veth pair goes with them)
netns_pair_delete() {
  ip netns del "$1" 2>/dev/null
  ip netns del "$2" 2>/dev/null
}

# Stops a background process: TERM, at most 5 s, then KILL.
stop_process() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$1" 2>/dev/null
}

# wait_for_ready LOG PID WHAT: waits (at most 5 s) until LOG holds "ready";
# exits 1 with the log when PID ends first or the time runs out.
wait_for_ready() {
  for _ in $(seq 50); do
    grep -q "ready" "$1" 2>/dev/null && return 0
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  echo "$3 did not start:"; cat "$1"
  exit 1
}
