#!/usr/bin/env bash
# Installs the Debian 12 packages a step needs, only those missing.
# Usage: scripts/deps.sh build|desktop|windows|network|package|fuzz|all ...
set -euo pipefail

build=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev nlohmann-json3-dev libcli11-dev clang-format-14 shellcheck clang-tidy-14 pmccabe)
desktop=(qt6-base-dev libgl-dev libglib2.0-dev gvfs-backends gvfs-fuse dbus dbus-x11 fuse3 libglib2.0-bin xdg-utils fonts-liberation
  gnome-keyring libsecret-tools at-spi2-core python3-pyatspi)
windows=(googletest mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32 wine64 fonts-wine fonts-liberation xvfb xauth x11-utils xdotool imagemagick file)
network=(iproute2 samba smbclient)
package=(dpkg-dev lintian desktop-file-utils appstream man-db bash-completion xvfb xauth x11-utils xdotool file python3)
fuzz=(clang libclang-rt-14-dev)

want=()
for group in "$@"; do
  case "$group" in
    build) want+=("${build[@]}") ;;
    desktop) want+=("${desktop[@]}") ;;
    windows) want+=("${windows[@]}") ;;
    network) want+=("${network[@]}") ;;
    package) want+=("${package[@]}") ;;
    fuzz) want+=("${fuzz[@]}") ;;
    all) want+=("${build[@]}" "${desktop[@]}" "${windows[@]}" "${network[@]}" "${package[@]}" "${fuzz[@]}") ;;
    *) echo "deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${want[@]}"; do
  name=$p
  [ "$p" = wine32 ] && name=wine32:i386
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${missing[*]}" >&2
if printf '%s\n' "${missing[@]}" | grep -qx wine32; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
