#!/usr/bin/env bash
# Drive letters against a real SMB server: Samba in a network namespace of
# its own, joined by a veth pair to a second namespace in which a private
# D-Bus session runs gvfsd (with gvfsd-fuse) and the test program.
# With a tessavue-device program, the enclosure itself is played too, so the
# whole window can find it and map its share by name ("Enclosure", resolved
# through the client namespace's own hosts file).
# Last, the letters that come back at the next sign-in, through tessavue-cli
# and a Secret Service of the test's own.
# Usage: smb_e2e.sh <smb_e2e_tests binary> [tessavue-device [tessavue-cli]]. Needs root;
# exits 77 (skipped) without it or without the programs.
set -euo pipefail

test_binary=${1:?usage: smb_e2e.sh <smb_e2e_tests binary> [tessavue-device]}
device_binary=${2:-}
cli_binary=${3:-}
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root (network namespaces, smbd, FUSE)"
for p in ip smbd smbpasswd dbus-run-session gio fusermount3; do
  command -v "$p" >/dev/null || skip "$p is not installed"
done
gvfsd=/usr/libexec/gvfsd
{ [ -x "$gvfsd" ] && [ -x /usr/libexec/gvfsd-fuse ] && [ -x /usr/libexec/gvfsd-smb ]; } ||
  skip "gvfs-backends and gvfs-fuse are not installed"
[ -e /dev/fuse ] || skip "no /dev/fuse"
id nobody >/dev/null 2>&1 || skip "no user 'nobody' to own the share"
id daemon >/dev/null 2>&1 || skip "no user 'daemon' to own the second share"

tag=tv$$
srv=${tag}s
cli=${tag}c
tmp=$(mktemp -d /tmp/tessavue-smb-XXXXXX)
chmod 755 "$tmp"
smbd_pid=""
device_pid=""

# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  set +e
  [ -n "$device_pid" ] && kill "$device_pid" 2>/dev/null && wait "$device_pid" 2>/dev/null
  rm -rf "/etc/netns/$cli"
  rmdir /etc/netns 2>/dev/null
  # smbd leads a process group of its own with its helpers.
  [ -n "$smbd_pid" ] && { kill -TERM -- "-$smbd_pid" 2>/dev/null || kill "$smbd_pid"; } 2>/dev/null
  [ -n "$smbd_pid" ] && wait "$smbd_pid" 2>/dev/null
  # A gvfsd-fuse left behind by a failed run must not keep its mount.
  mountpoint -q "$tmp/run/gvfs" 2>/dev/null && fusermount3 -uz "$tmp/run/gvfs"
  ip netns del "$srv" 2>/dev/null
  ip netns del "$cli" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

ip netns add "$srv"
ip netns add "$cli"
ip link add "${tag}a" type veth peer name "${tag}b"
ip link set "${tag}a" netns "$srv"
ip link set "${tag}b" netns "$cli"
ip -n "$srv" addr add 10.213.57.1/24 brd + dev "${tag}a"
# A second address of the server: a device with a name no one knows.
ip -n "$srv" addr add 10.213.57.3/24 dev "${tag}a"
ip -n "$cli" addr add 10.213.57.2/24 brd + dev "${tag}b"
for ns in "$srv" "$cli"; do ip -n "$ns" link set lo up; done
ip -n "$srv" link set "${tag}a" up
ip -n "$cli" link set "${tag}b" up
ip -n "$srv" route add 224.0.0.0/4 dev "${tag}a"
ip -n "$cli" route add 224.0.0.0/4 dev "${tag}b"
# The client namespace's own hosts file (ip netns exec puts it over
# /etc/hosts for the programs it starts).
mkdir -p "/etc/netns/$cli"
printf '127.0.0.1 localhost\n10.213.57.1 Enclosure\n' >"/etc/netns/$cli/hosts"

mkdir -p "$tmp"/samba/{lock,state,cache,pid,private,ncalrpc,log} "$tmp/share" "$tmp/media" "$tmp/home" \
  "$tmp/run"
chmod 700 "$tmp/run"
echo "hello from the enclosure" >"$tmp/share/hello.txt"
chown -R nobody "$tmp/share"
# A second share, for another user.
echo "media of the enclosure" >"$tmp/media/media.txt"
chown -R daemon "$tmp/media"
cat >"$tmp/smb.conf" <<EOF
[global]
  workgroup = WORKGROUP
  server role = standalone server
  interfaces = 10.213.57.1/24 10.213.57.3/24
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = never
  lock directory = $tmp/samba/lock
  state directory = $tmp/samba/state
  cache directory = $tmp/samba/cache
  pid directory = $tmp/samba/pid
  private dir = $tmp/samba/private
  ncalrpc dir = $tmp/samba/ncalrpc
  log file = $tmp/samba/log/log.%m
  passdb backend = tdbsam:$tmp/samba/private/passdb.tdb
[public]
  path = $tmp/share
  read only = no
  valid users = nobody
[media]
  path = $tmp/media
  read only = yes
  valid users = daemon
EOF
password=Enclosure-7
printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$tmp/smb.conf" -s -a nobody >/dev/null
media_password=Media-9
printf '%s\n%s\n' "$media_password" "$media_password" |
  smbpasswd -c "$tmp/smb.conf" -s -a daemon >/dev/null

ip netns exec "$srv" smbd -F -s "$tmp/smb.conf" </dev/null >/dev/null 2>&1 &
smbd_pid=$!
for _ in $(seq 100); do
  ip netns exec "$srv" ss -ltn 2>/dev/null | grep -q '10.213.57.1:445' && break
  sleep 0.1
done
ip netns exec "$srv" ss -ltn | grep -q '10.213.57.1:445' || { echo "smbd did not start"; exit 1; }

device_name=""
# The enclosure's reply mode: "unicast" for the whole run, then "group" and
# "broadcast" for the window's flow once more each; a second argument plays
# another device instead.
start_device() {
  ip netns exec "$srv" "$device_binary" \
    --device "${2:-ip=10.213.57.1,name=Enclosure,shares=public:media},reply=$1" \
    >"$tmp/device.log" 2>&1 &
  device_pid=$!
  for _ in $(seq 50); do grep -q ready "$tmp/device.log" && break; sleep 0.1; done
  grep -q ready "$tmp/device.log" || { echo "tessavue-device did not start"; cat "$tmp/device.log"; exit 1; }
}
if [ -n "$device_binary" ]; then
  start_device unicast
  device_name=Enclosure
fi

# The client side: its own session bus, runtime folder and home.
cat >"$tmp/client.sh" <<'EOF'
set -u
"$GVFSD" >/dev/null 2>&1 &
gvfsd_pid=$!
for _ in $(seq 100); do
  mountpoint -q "$XDG_RUNTIME_DIR/gvfs" && break
  sleep 0.1
done
if ! mountpoint -q "$XDG_RUNTIME_DIR/gvfs"; then
  echo "gvfsd-fuse did not mount $XDG_RUNTIME_DIR/gvfs"
  kill "$gvfsd_pid"
  exit 1
fi
"$TEST_BINARY" ${TEST_FILTER:+--gtest_filter="$TEST_FILTER"}
status=$?
for mount in "$XDG_RUNTIME_DIR"/gvfs/smb-share:*; do
  [ -e "$mount" ] && gio mount -u "$mount" >/dev/null 2>&1
done
kill "$gvfsd_pid" 2>/dev/null
wait "$gvfsd_pid" 2>/dev/null
fusermount3 -uz "$XDG_RUNTIME_DIR/gvfs" 2>/dev/null
exit $status
EOF
set +e
far_name=""
run_client() {  # gtest filter, empty for all
  ip netns exec "$cli" env -u DBUS_SESSION_BUS_ADDRESS \
    HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" GVFSD="$gvfsd" TEST_BINARY="$test_binary" \
    TEST_FILTER="$1" \
    SMB_E2E_SERVER=10.213.57.1 SMB_E2E_CLIENT=10.213.57.2 SMB_E2E_DEVICE_NAME="$device_name" \
    SMB_E2E_SHARE_DIR="$tmp/share" SMB_E2E_USER=nobody \
    SMB_E2E_PASSWORD="$password" SMB_E2E_MEDIA_USER=daemon SMB_E2E_MEDIA_PASSWORD="$media_password" \
    SMB_E2E_FAR_NAME="$far_name" SMB_E2E_FAR_ADDRESS=10.213.57.3 \
    GIO_USE_VOLUME_MONITOR=unix \
    timeout 150 dbus-run-session -- bash "$tmp/client.sh" 2>&1 |
    grep -v -e '^dbus-daemon\[' -e 'VolumeMonitor' -e '^$'
  return "${PIPESTATUS[0]}"
}
run_client ""
status=$?
for reply in group broadcast; do
  [ -n "$device_binary" ] || break
  echo "-- the window's flow again, the enclosure replying by $reply"
  kill "$device_pid" 2>/dev/null && wait "$device_pid" 2>/dev/null
  start_device "$reply"
  run_client "*TheWindowFindsTheEnclosure*" || status=1
done
if [ -n "$device_binary" ]; then
  echo "-- a device whose name no one knows, at the server's second address"
  kill "$device_pid" 2>/dev/null && wait "$device_pid" 2>/dev/null
  start_device unicast "ip=10.213.57.3,name=Farbox,shares=public"
  far_name=Farbox
  run_client "*WhoseNameNoOneKnows*" || status=1
fi

# Letters that come back at the next sign-in: sessions one after another on
# the same home, each with its own bus, its Secret Service (gnome-keyring,
# unlocked as the sign-in unlocks it, its files in the home) and gvfsd; the
# letters are made and brought back by tessavue-cli. Standard input is
# /dev/null wherever nothing may be typed.
cat >"$tmp/session.sh" <<'EOF'
set -u
printf '%s' "$KEYRING_PASSWORD" | gnome-keyring-daemon --unlock --components=secrets >/dev/null
"$GVFSD" >/dev/null 2>&1 &
gvfsd_pid=$!
for _ in $(seq 100); do
  mountpoint -q "$XDG_RUNTIME_DIR/gvfs" && break
  sleep 0.1
done
mountpoint -q "$XDG_RUNTIME_DIR/gvfs" || { echo "gvfsd-fuse did not start"; exit 1; }
bash -c "$SESSION_STEPS" </dev/null
status=$?
# The session ends: the mounts go with gvfsd, the bus and the keyring.
kill "$gvfsd_pid" 2>/dev/null
wait "$gvfsd_pid" 2>/dev/null
fusermount3 -uz "$XDG_RUNTIME_DIR/gvfs" 2>/dev/null
exit $status
EOF
# A gio first on the sessions' PATH tells whether anything runs the program.
mkdir -p "$tmp/bin"
# shellcheck disable=SC2016 # expanded when the stand-in runs
printf '#!/bin/sh\ntouch "$HOME/gio-was-run"\nexit 1\n' >"$tmp/bin/gio"
chmod 755 "$tmp/bin/gio"
session() {  # the session's steps, run by bash
  ip netns exec "$cli" env -u DBUS_SESSION_BUS_ADDRESS PATH="$tmp/bin:$PATH" \
    HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" GVFSD="$gvfsd" CLI="$cli_binary" \
    KEYRING_PASSWORD=sign-in-7 SESSION_STEPS="$1" \
    SMB_PASSWORD="$password" MEDIA_PASSWORD="$media_password" GIO_USE_VOLUME_MONITOR=unix \
    timeout 120 dbus-run-session -- bash "$tmp/session.sh" 2>&1 |
    grep -v -e '^dbus-daemon\[' -e 'VolumeMonitor' -e '^$' -e 'discover_other_daemon' \
      -e 'control socket'
  return "${PIPESTATUS[0]}"
}
if [ -n "$cli_binary" ] && command -v gnome-keyring-daemon >/dev/null &&
  command -v secret-tool >/dev/null; then
  echo "-- E: mapped with its password kept, F: without"
  rm -rf "$tmp/home/Network Drives"
  # shellcheck disable=SC2016 # expanded by the session's own shell
  session '
    set -e
    printf "%s\n" "$SMB_PASSWORD" |
      "$CLI" connect 10.213.57.1 public E --user nobody --password-stdin --remember
    grep -q "hello from the enclosure" "$HOME/Network Drives/E/hello.txt"
    printf "%s\n" "$MEDIA_PASSWORD" |
      "$CLI" connect 10.213.57.1 media F --user daemon --password-stdin
    # What the keyring holds: its attributes (the secret is not shown).
    secret-tool search --all protocol smb 2>&1 | grep -v "^secret = " | tee "$HOME/keyring.txt"
    grep -q "^attribute.user = nobody" "$HOME/keyring.txt"
    grep -q "^attribute.server = 10.213.57.1" "$HOME/keyring.txt"
    ! grep -q "^attribute.user = daemon" "$HOME/keyring.txt"
  ' || { echo "FAILED: mapping with the password kept"; status=1; }

  echo "-- the next sign-in: E: comes back from the keyring, F: stays remembered"
  # shellcheck disable=SC2016
  session '
    start=$(date +%s)
    out=$("$CLI" reconnect --wait 20); rc=$?
    echo "$out"
    [ "$rc" -eq 1 ] || { echo "reconnect exit $rc, not 1"; exit 1; }
    # F: has no password kept: refused at once, not waited for.
    [ $(($(date +%s) - start)) -lt 15 ] || { echo "reconnect waited"; exit 1; }
    echo "$out" | grep -qx "E: .*public connected" || exit 1
    echo "$out" | grep -q "^F: .*media unavailable: " || exit 1
    grep -q "hello from the enclosure" "$HOME/Network Drives/E/hello.txt" || exit 1
    [ -L "$HOME/Network Drives/F" ] || { echo "F: forgotten"; exit 1; }
    "$CLI" drives | grep -q "^F: *unavailable" || exit 1
  ' || { echo "FAILED: reconnect at the next sign-in"; status=1; }

  echo "-- the share gone from the server: E: stays remembered"
  sed -i '/^\[public\]/,/^  valid users = nobody/d' "$tmp/smb.conf"
  kill -HUP "$smbd_pid"
  sleep 1
  # shellcheck disable=SC2016
  session '
    "$CLI" reconnect --json --wait 3 >"$HOME/reconnect.json"; rc=$?
    cat "$HOME/reconnect.json"
    [ "$rc" -eq 1 ] || { echo "reconnect exit $rc, not 1"; exit 1; }
    grep -q "\"letter\": \"E:\", \"state\": \"unavailable\"" "$HOME/reconnect.json" || exit 1
    [ -L "$HOME/Network Drives/E" ] || { echo "E: forgotten"; exit 1; }
  ' || { echo "FAILED: a share that is gone"; status=1; }
  if [ -e "$tmp/home/gio-was-run" ]; then
    echo "FAILED: the program ran gio"
    status=1
  fi
else
  echo "-- sign-in reconnect skipped: no tessavue-cli, gnome-keyring or secret-tool"
fi
exit "$status"
