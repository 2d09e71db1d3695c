#!/usr/bin/env bash
# Builds the Debian package as a packager would (preset package: Release,
# Debian's hardening flags, no tests), checks it with lintian,
# desktop-file-validate and appstreamcli, unpacks it into a scratch root and
# uses what it installed: the programs' --version, the manual pages through
# man, the bash completion against the tool's own --help, and the window under
# Xvfb with --demo. Called by scripts/test.sh.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
scripts/deps.sh build desktop package
jobs=${JOBS:-2}
status=0
step() { echo "== $*"; }
failed() { echo "FAILED: $*"; status=1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

step "Debian package (preset package)"
cmake --preset package >/dev/null || exit 1
cmake --build --preset package -j "$jobs" || exit 1
rm -f build/package/packages/*.deb
cpack --preset deb >/dev/null || exit 1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' build/package/CMakeCache.txt)
deb=build/package/packages/tessavue_${version}_amd64.deb
{ [ -n "$version" ] && [ -f "$deb" ]; } || { failed "no package $deb"; exit 1; }
echo "$deb"

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || failed "the package's version is not $version"
changelog=$(dpkg-parsechangelog -l packaging/changelog -S Version)
[ "$changelog" = "$version" ] || failed "packaging/changelog starts at $changelog, the project is $version"
depends=$(dpkg-deb -f "$deb" Depends)
# What the programs start, and what dpkg-shlibdeps finds for the Qt window.
for dependency in gvfs-backends gvfs-fuse libglib2.0-0 xdg-utils libqt6widgets6 libc6; do
  [[ ", $depends," == *", $dependency"[\ ,]* ]] || failed "Depends lacks $dependency: $depends"
done
apt-get -s -q install "$PWD/$deb" >"$scratch/apt.log" 2>&1 ||
  { cat "$scratch/apt.log"; failed "apt cannot install the package's dependencies"; }

step "lintian"
lintian --allow-root --fail-on error,warning --display-info "$deb" || failed "lintian"

step "installed files (dpkg -x into a scratch root)"
dest=$scratch/root
dpkg -x "$deb" "$dest" || exit 1
share=$dest/usr/share
desktop=$share/applications/tessavue.desktop
desktop-file-validate "$desktop" || failed "desktop-file-validate"
# The reconnect at sign-in: a valid autostart entry, a conffile, starting an
# installed program.
autostart=$dest/etc/xdg/autostart/tessavue-reconnect.desktop
desktop-file-validate "$autostart" || failed "desktop-file-validate (autostart)"
dpkg-deb -I "$deb" conffiles | grep -qx /etc/xdg/autostart/tessavue-reconnect.desktop ||
  failed "the autostart entry is not a conffile"
autostart_exec=$(sed -n 's/^Exec=//p' "$autostart")
[ -x "$dest/usr/bin/${autostart_exec%% *}" ] || failed "Exec=$autostart_exec is not installed"
appstreamcli validate-tree --no-net "$dest" || failed "appstreamcli validate-tree"
# The desktop entry starts an installed program and names an installed icon,
# each PNG as large as the folder it lies in says.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$dest/usr/bin/${exec_line%% *}" ] || failed "Exec=$exec_line is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
icons=0
for png in "$share"/icons/hicolor/*/apps/"$icon".png; do
  [ -f "$png" ] || continue
  size=$(basename "$(dirname "$(dirname "$png")")")
  file "$png" | grep -q "PNG image data, ${size%x*} x ${size#*x}," || failed "$png is not $size"
  icons=$((icons + 1))
done
[ "$icons" -ge 5 ] || failed "only $icons sizes of the icon '$icon'"
if command -v python3 >/dev/null; then
  # The committed PNGs are what resources/make_icon.py draws today.
  { mkdir "$scratch/icons" && python3 resources/make_icon.py --png "$scratch/icons" &&
    diff -r "$scratch/icons" packaging/icons >/dev/null; } ||
    failed "packaging/icons differ from resources/make_icon.py --png"
else
  echo "SKIP: no python3 to redraw the icons and compare them with packaging/icons"
fi

step "installed programs and manual pages"
for program in tessavue tessavue-cli tessavue-device; do
  out=$(timeout 10 "$dest/usr/bin/$program" --version 2>&1)
  rc=$?
  { [ $rc -eq 0 ] && [ "$out" = "$program $version" ]; } ||
    failed "$program --version gave '$out' (exit $rc), not '$program $version'"
  page=$share/man/man1/$program.1.gz
  [ -f "$page" ] || { failed "no manual page for $program"; continue; }
  # man reports roff mistakes with --warnings on standard error.
  text=$(MANWIDTH=80 LC_ALL=C.UTF-8 timeout 20 man --warnings -E UTF-8 -l "$page" 2>"$scratch/man.err")
  if [ -s "$scratch/man.err" ] || ! grep -q "^NAME" <<<"$text" || ! grep -q "^EXIT STATUS" <<<"$text" ||
     ! grep -q "tessavue $version" <<<"$text"; then
    cat "$scratch/man.err"
    failed "the manual page of $program does not render cleanly"
  fi
  echo "$program: $out, man page $(wc -l <<<"$text") lines"
done

step "bash completion of tessavue-cli"
completion=$share/bash-completion/completions/tessavue-cli
if [ -f /usr/share/bash-completion/bash_completion ]; then
  # Completes one command line (the last word being typed) and prints the offers.
  offers() {
    bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _tessavue_cli tessavue-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
      printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$completion" tessavue-cli "$@"
  }
  help=$("$dest/usr/bin/tessavue-cli" --help)
  # Every command and every option the tool's help names is offered, and nothing else.
  commands=$(sed -n 's/^  tessavue-cli \([a-z-]*\).*/\1/p' <<<"$help" | sort -u)
  { [ -n "$commands" ] && [ "$(offers "")" = "$commands" ]; } ||
    failed "completion offers '$(offers "" | tr '\n' ' ')' for the commands '$(paste -sd' ' <<<"$commands")'"
  options=$(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
  offered=$(for c in "" $commands; do offers ${c:+"$c" 192.168.0.20} --; done | sort -u)
  { [ -n "$options" ] && [ "$offered" = "$options" ]; } ||
    failed "completion offers '$(paste -sd' ' <<<"$offered")' for the options '$(paste -sd' ' <<<"$options")'"
  [ "$(offers set-static 10.0.0.1 --g)" = "--gateway" ] || failed "completion of set-static --g"
  [ -z "$(offers shares 10.0.0.1 --p)" ] || failed "completion offers a password option to shares"
  [ -z "$(offers login 10.0.0.1 --password "")" ] || failed "completion offers words for a password"
  if [ -n "$(offers disconnect q)" ] || [ "$(offers disconnect Q)" != "Q:" ] ||
    [ "$(offers connect 10.0.0.1 public X)" != "X:" ]; then
    failed "completion of drive letters"
  fi
else
  echo "SKIP: bash-completion is not installed"
fi

step "the installed window under Xvfb (--demo)"
# Starts the window on the virtual display xvfb-run made, waits (bounded) for it
# to be mapped, checks its class against the desktop entry's, and ends it.
# shellcheck disable=SC2317 # run by the bash below xvfb-run, from its text (declare -f)
window_check() {
  local program=$1 desktop=$2 log=$3 app window wm_class rc=0
  QT_QPA_PLATFORM=xcb "$program" --demo >"$log" 2>&1 &
  app=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillon Tessavue$' | head -1)
  if [ -n "$window" ] && xwininfo -id "$window" | grep -q 'Map State: IsViewable'; then
    echo "window $window is mapped"
    # Docks match the window to the menu entry (and its icon) by this class.
    wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
    xprop -id "$window" WM_CLASS | grep -q "\"$wm_class\"" ||
      { echo "FAILED: the window's WM_CLASS is not StartupWMClass=$wm_class"; rc=1; }
  else
    cat "$log"
    echo "FAILED: the installed tessavue --demo showed no window"
    rc=1
  fi
  kill -0 "$app" 2>/dev/null || { echo "FAILED: tessavue ended on its own"; rc=1; }
  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  return "$rc"
}
# xvfb-run is a sh script, which passes on no bash functions: hand over the text.
timeout 120 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  bash -c "$(declare -f window_check)"'; window_check "$@"' _ \
  "$dest/usr/bin/tessavue" "$desktop" "$scratch/window.log" || failed "the installed window"

exit $status
