#!/usr/bin/env bash
# tessavue.exe --demo at 96, 144 and 192 DPI (Wine's LogPixels, set in a
# prefix of its own): the list columns must be the 96-DPI widths in
# proportion, no name or address cut, the window enlarged in proportion; a
# screenshot of each, with the first device selected, in OUT_DIR
# (windows-dpi-96.png, ...). Given the Windows test program, its
# measurement of every caption of the four dialogs (DialogTexts) runs at each
# DPI too. Runs its own virtual display, large enough for the window at 200 %.
# Usage: dpi_check.sh TESSAVUE_EXE PROBE_EXE WINE PREFIX OUT_DIR [WIN32_TESTS_EXE]
set -u
exe=$1
probe=$2
wine=$3
export WINEPREFIX=$4
out=$5
tests=${6:-}
# shellcheck source=SCRIPTDIR/window.sh
. "$(dirname "$0")/window.sh"
wine_tools "$wine"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
mkdir -p "$out"
status=0
fail() { echo "FAIL: $*"; status=1; }

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
display=""
for _ in $(seq 100); do read -r -t 0.1 display <&"$displayfd" && break; done
trap '"$wineserver_bin" -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  DISPLAY='' timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1
  "$wineserver_bin" -w
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1400x1100 /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d "Liberation Sans" /f >/dev/null 2>&1
  "$wineserver_bin" -w
fi
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null

point() { timeout 30 "$wine" "$probe" "$@" | tr -d '\r'; }
base_client=""
for dpi in 96 144 192; do
  "$wineserver_bin" -k 2>/dev/null
  "$wineserver_bin" -w
  # Both places Wine has read the setting from over its versions.
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
  "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
  "$wineserver_bin" -w
  if [ -n "$tests" ]; then
    timeout 120 "$wine" "$tests" --gtest_filter='DialogTexts.*' </dev/null >"$out/texts-$dpi.txt" 2>&1 ||
      fail "$dpi DPI: a caption is cut: $(grep -E 'is cut|FAILED' "$out/texts-$dpi.txt" | tr -d '\r' | head -5)"
    grep -c 'needs' "$out/texts-$dpi.txt" | sed "s/^/$dpi DPI, captions measured: /"
  fi
  "$wine" "$exe" --demo </dev/null >/dev/null 2>&1 &
  if ! timeout 60 "$wine" "$probe" rows 40 >/dev/null; then
    fail "$dpi DPI: the demo window showed no devices"
    continue
  fi
  await_window >/dev/null || { fail "$dpi DPI: no window on the screen"; continue; }
  read -r x y < <(point rowpos 0)
  xdotool mousemove "$x" "$y" click 1
  sleep 2
  devices=$(point layout 1000)
  shares=$(point layout 1001)
  echo "$dpi DPI, device list: $(echo "$devices" | tr '\n' ';')"
  echo "$dpi DPI, share list: $(echo "$shares" | tr '\n' ';')"
  got_dpi=$(echo "$devices" | awk '$1 == "dpi" {print $2}')
  [ "$got_dpi" = "$dpi" ] || fail "the prefix reports ${got_dpi:-no} DPI, not $dpi"
  # The 96-DPI widths in proportion (MulDiv rounds to nearest).
  want_devices=$(for w in 94 81 81 81; do echo -n " $(( (w * dpi + 48) / 96 ))"; done)
  want_shares=$(for w in 120 100; do echo -n " $(( (w * dpi + 48) / 96 ))"; done)
  [ "$(echo "$devices" | sed -n 's/^columns//p')" = "$want_devices" ] ||
    fail "$dpi DPI: device columns$(echo "$devices" | sed -n 's/^columns//p'), not$want_devices"
  [ "$(echo "$shares" | sed -n 's/^columns//p')" = "$want_shares" ] ||
    fail "$dpi DPI: share columns$(echo "$shares" | sed -n 's/^columns//p'), not$want_shares"
  echo "$devices$shares" | grep -q '^rows [1-9]' || fail "$dpi DPI: a list is empty"
  echo "$devices" | grep -q ' cut 0$' || fail "$dpi DPI: text cut in the device list"
  echo "$shares" | grep -q ' cut 0$' || fail "$dpi DPI: text cut in the share list"
  # The window grows with the font, roughly in proportion.
  client=$(echo "$devices" | sed -n 's/^client //p')
  if [ $dpi = 96 ]; then
    base_client=$client
  elif [ -n "$base_client" ] && [ -n "$client" ]; then
    awk -v a="$base_client" -v b="$client" -v f=$dpi 'BEGIN {
      split(a, p, "x"); split(b, q, "x"); r = f / 96;
      for (i = 1; i <= 2; i++) if (q[i] < p[i] * r * 0.9 || q[i] > p[i] * r * 1.1) exit 1 }' ||
      fail "$dpi DPI: client $client is not $base_client enlarged by $dpi/96"
  fi
  xdotool mousemove 5 5
  sleep 0.5
  geometry=$(xwininfo -name "Quillon Tessavue" | awk '
    /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width/ {w=$NF} /Height/ {h=$NF} END {print w "x" h "+" x "+" y}')
  import -window root -crop "$geometry" +repage "$out/windows-dpi-$dpi.png" &&
    echo "screenshot: $out/windows-dpi-$dpi.png ($geometry)"
done
exit $status
