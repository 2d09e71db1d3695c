#!/usr/bin/env bash
# Builds the Windows programs (tessavue.exe, tessavue-cli.exe: 32-bit,
# statically linked, win32 threads) and runs the Windows tests under Wine on a
# virtual X display: the test programs through ctest, an end-to-end run
# against tessavue-device in network namespaces (root only), a screenshot of
# the main window, and the window's behaviour under each Windows version Wine
# can report. Called by scripts/test.sh; needs the Linux build of
# tessavue-device in build/dev (scripts/test.sh makes it first).
#
# Two paths, by what the kernel can start:
#  - 32-bit: the test programs are built as 32-bit programs (preset
#    mingw-tests: GoogleTest needs posix threads) and run under 32-bit Wine;
#    the end-to-end run, the screenshot and the version checks start the very
#    programs in build/mingw/artifacts.
#  - 64-bit, where the kernel cannot start 32-bit Linux programs (32-bit Wine
#    then fails with "Exec format error"): the 32-bit test programs are still
#    all compiled, and the same sources' 64-bit build (preset mingw64) runs
#    under 64-bit Wine; the shipped programs are built and checked, not run.
# TESSAVUE_WINE_ARCH=32 or 64 forces a path (unset: the kernel decides).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
scripts/deps.sh build windows network
jobs=${JOBS:-2}
status=0
step() { echo "== $*"; }
failed() { echo "FAILED: $*"; status=1; }

# --- the programs we ship ---
step "32-bit Windows programs (preset mingw)"
cmake --preset mingw >/dev/null || exit 1
cmake --build --preset mingw -j "$jobs" --target tessavue tessavue-cli || exit 1
artifacts=$root/build/mingw/artifacts
mkdir -p "$artifacts"
for exe in build/mingw/windows/tessavue.exe build/mingw/windows/tessavue-cli.exe; do
  [ -f "$exe" ] || { failed "$exe was not built"; continue; }
  cp "$exe" "$artifacts/"
  file "$exe" | grep -q "PE32 executable.*Intel 80386" || failed "$exe is not a 32-bit (i686) program"
  # Only the system's own DLLs: no C++ runtime or MFC beside the program.
  dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)
  for dll in $dlls; do
    case "$dll" in
      kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|advapi32.dll|mpr.dll|ws2_32.dll|msvcrt.dll|shell32.dll|iphlpapi.dll) ;;
      *) failed "$exe imports $dll, which Windows does not bring" ;;
    esac
  done
  # Nothing that Windows XP lacks (the usual late arrivals in MinGW programs).
  late=$(i686-w64-mingw32-objdump -p "$exe" | awk 'NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}' |
    grep -E '^(GetTickCount64|InitOnce|(Initialize|Acquire|Release|TryAcquire)SRWLock|.*ConditionVariable|Fls(Alloc|Free|GetValue|SetValue)|GetFinalPathNameByHandle|CreateSymbolicLink|inet_pton|inet_ntop|InetPton|InetNtop|WSAPoll|(GetLocaleInfo|LCMapString|CompareString|GetUserDefaultLocaleName)Ex$|GetErrorMode|QueryFullProcessImageName)')
  [ -z "$late" ] || failed "$exe needs functions Windows XP lacks: $(paste -sd' ' <<<"$late")"
  echo "$exe: $(paste -sd' ' <<<"$dlls")"
  echo "$exe: sha256 $(sha256sum "$exe" | cut -d' ' -f1)"
done
scripts/package-windows.sh || failed "the Windows zip"

# --- which Wine runs here ---
case "${TESSAVUE_WINE_ARCH:-}" in
  32|64) bits=$TESSAVUE_WINE_ARCH; why="TESSAVUE_WINE_ARCH=$TESSAVUE_WINE_ARCH" ;;
  "")
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      bits=32 why="this kernel starts 32-bit programs"
    else
      bits=64 why="32-bit Wine cannot start on this kernel"
    fi ;;
  *) echo "TESSAVUE_WINE_ARCH must be 32 or 64 (or unset), not '$TESSAVUE_WINE_ARCH'"; exit 2 ;;
esac
if [ "$bits" = 32 ]; then
  preset=mingw-tests wine=/usr/lib/wine/wine arch=win32 prefix=wine-mingw
  echo "32-bit path ($why): the 32-bit test programs run under 32-bit Wine; the end-to-end run, the screenshot and the version checks start the shipped programs"
else
  preset=mingw64 wine=/usr/lib/wine/wine64 arch=win64 prefix=wine-mingw64
  echo "SKIP: 32-bit Windows programs not run ($why): the shipped 32-bit programs were built and checked (PE32, imports) but not run; the tests ran as 64-bit programs under 64-bit Wine (preset mingw64)"
  step "32-bit test programs, compiled only (preset mingw-tests)"
  cmake --preset mingw-tests >/dev/null || exit 1
  cmake --build --preset mingw-tests -j "$jobs" -- -k 0 || failed "part of the 32-bit test build (mingw-tests)"
fi
# shellcheck source=SCRIPTDIR/../tests/windows/window.sh
. tests/windows/window.sh
wine_tools "$wine"
export WINEPREFIX=$root/build/$prefix WINEARCH=$arch WINEDEBUG=-all
# No Mono or Gecko installs: the programs need neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  step "Wine prefix $WINEPREFIX"
  DISPLAY='' timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1
  # The first start goes on after wineboot returns: nothing else starts in
  # the prefix before it has ended.
  "$wineserver_bin" -w
  # Windows get their captions drawn by Wine (a virtual desktop, no window
  # manager needed), and "Arial" is drawn with its metric twin.
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d "Liberation Sans" /f >/dev/null 2>&1
  "$wineserver_bin" -w
fi
# Wine's own fonts (Tahoma, Marlett for the caption buttons) from fonts-wine.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
wine_session() { wine_fresh_session "$wine"; }

# --- a virtual display ---
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 100); do
  read -r -t 0.1 display <&"$displayfd" && break
done
# shellcheck disable=SC2317 # run by the EXIT trap; shellcheck 0.9 calls it unreachable when the script ends in exit
cleanup() {
  "$wineserver_bin" -k 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display

# --- the tests ---
step "Windows tests under Wine (preset $preset)"
cmake --preset "$preset" >/dev/null || exit 1
# The window's program and its tests first; then everything else that builds
# for Windows (the other areas' tests run under Wine too).
cmake --build --preset "$preset" -j "$jobs" --target tessavue win32_tests tessavue-probe || exit 1
cmake --build --preset "$preset" -j "$jobs" -- -k 0 || failed "part of the $preset build"
# The test network provider (tests/windows/test_provider.cpp), which
# win32_connections_tests names to Wine's mpr.dll, is looked up by the plain
# names of its entry points (NPGetCaps, not NPGetCaps@4): both builds are
# checked, the 32-bit one also where it is not run.
provider_names="NPAddConnection NPAddConnection3 NPCancelConnection NPCloseEnum NPEnumResource NPGetCaps NPOpenEnum TessavueProviderServerAway"
for pair in "mingw-tests i686" "mingw64 x86_64"; do
  read -r tree cpu <<<"$pair"
  dll=build/$tree/tests/windows/tessavue_test_provider.dll
  [ -f "$dll" ] || { [ "$tree" = "$preset" ] && failed "$dll was not built"; continue; }
  names=$("$cpu-w64-mingw32-objdump" -p "$dll" | sed -n 's/^\t\[ *[0-9]*\] \([A-Za-z_@0-9]*\)$/\1/p' | paste -sd' ')
  [ "$names" = "$provider_names" ] || failed "$dll exports '$names', not '$provider_names'"
done
# One Wine session for the whole run: each test program then starts in a
# moment.
wine_session
ctest --preset "$preset" -j "$jobs" || status=1
out=$root/build/$preset
probe_exe=$out/tests/windows/tessavue-probe.exe
if [ "$bits" = 32 ]; then
  # The shipped programs themselves, byte for byte.
  app_exe=$artifacts/tessavue.exe cli_exe=$artifacts/tessavue-cli.exe
  for exe in "$app_exe" "$cli_exe"; do
    cmp -s "$exe" "build/mingw/windows/${exe##*/}" || failed "$exe is not the program built by preset mingw"
    echo "started below: $exe, sha256 $(sha256sum "$exe" | cut -d' ' -f1)"
  done
else
  app_exe=$out/windows/tessavue.exe cli_exe=$out/windows/tessavue-cli.exe
  echo "started below: the 64-bit build $app_exe and $cli_exe (not shipped)"
fi

step "end-to-end: tessavue.exe and tessavue-device in network namespaces"
device_bin=$root/build/dev/device/tessavue-device
if [ -x "$device_bin" ]; then
  # An end-to-end check passes or is skipped (77, said in its own output).
  e2e_check() {
    local rc=0
    "$@" || rc=$?
    [ $rc -eq 0 ] || [ $rc -eq 77 ] || status=1
  }
  e2e_check tests/windows/e2e_device_list.sh "$app_exe" "$probe_exe" "$device_bin" "$wine" "$cli_exe"
  step "end-to-end: tessavue.exe while the workstation's networks change"
  e2e_check tests/windows/e2e_changing_networks.sh "$app_exe" "$probe_exe" "$device_bin" "$wine"
  step "end-to-end: tessavue-cli.exe and tessavue.exe across a router (search at an address)"
  e2e_check tests/windows/e2e_routed.sh "$app_exe" "$probe_exe" "$device_bin" "$wine" "$cli_exe"
  step "end-to-end: a Refresh lists every one of many devices"
  e2e_check tests/windows/e2e_refresh_rows.sh "$app_exe" "$probe_exe" "$device_bin" "$wine"
  step "end-to-end: tessavue.exe's drive letters through mpr.dll and the test network provider"
  e2e_check tests/windows/e2e_drive_letters.sh "$app_exe" "$probe_exe" "$device_bin" "$wine"
else
  echo "SKIP: $device_bin is not built (scripts/test.sh builds it first)"
fi

step "screenshot of the main window with a device selected"
wine_session
"$wine" "$app_exe" --demo </dev/null >/dev/null 2>&1 &
probe=$probe_exe
if timeout 60 "$wine" "$probe" rows 40 >/dev/null && await_window >/dev/null; then
  read -r x y < <(timeout 30 "$wine" "$probe" rowpos 0 | tr -d '\r')
  xdotool mousemove "$x" "$y" click 1
  sleep 2
  xdotool mousemove 630 470
  sleep 1
  geometry=$(xwininfo -name "Quillon Tessavue" | awk '
    /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width/ {w=$NF} /Height/ {h=$NF} END {print w "x" h "+" x "+" y}')
  # On Wine's virtual desktop the window's frame and caption are part of it.
  import -window root -crop "$geometry" +repage "$artifacts/windows-main.png" &&
    echo "screenshot: $artifacts/windows-main.png"
else
  failed "the demo window showed no devices"
fi
tests/windows/wait_screenshot.sh "$app_exe" "$probe_exe" "$wine" "$artifacts/windows-during-change.png" || failed "the window during an address change"
"$wineserver_bin" -k 2>/dev/null

step "Connect on a letter that maps a share: a failure keeps the mapping"
tests/windows/connect_keeps_letter.sh "$app_exe" "$probe_exe" "$wine" || failed "Connect on a mapped letter"

step "the window worked with the keyboard alone"
wine_session
tests/windows/keyboard_check.sh "$app_exe" "$probe_exe" "$wine" || failed "the window by keyboard"
"$wineserver_bin" -k 2>/dev/null

step "tessavue.exe's command line"
wine_session
tests/windows/arguments_check.sh "$app_exe" "$probe_exe" "$wine" || failed "the command line"
"$wineserver_bin" -k 2>/dev/null

step "the window at 96, 144 and 192 DPI"
tests/windows/dpi_check.sh "$app_exe" "$probe_exe" "$wine" "$root/build/$prefix-dpi" "$artifacts" \
  "$out/tests/windows/win32_tests.exe" ||
  failed "the window at high DPI"

step "the window under each Windows version Wine reports"
tests/windows/windows_versions.sh "$app_exe" "$probe_exe" "$wine" || failed "the window under Windows versions"

exit $status
