#!/usr/bin/env bash
# Makes the Windows zip (tessavue.exe, tessavue-cli.exe and README.txt) from
# the 32-bit build in build/mingw with cpack, checks what it holds, and leaves
# it in build/mingw/artifacts/. Called by scripts/test-windows.sh after it has
# built the two programs.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
status=0
failed() { echo "FAILED: $*"; status=1; }

cmake --preset mingw >/dev/null || exit 1
cmake --build --preset mingw --target tessavue tessavue-cli >/dev/null || exit 1
rm -f build/mingw/package/*.zip
cpack --preset windows-zip >/dev/null || exit 1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' build/mingw/CMakeCache.txt)
name=tessavue-$version-windows
zip=build/mingw/package/$name.zip
{ [ -n "$version" ] && [ -f "$zip" ]; } || { echo "FAILED: no $zip"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$OLDPWD/$zip") || { echo "FAILED: $zip does not unpack"; exit 1; }
# One folder with the two programs as built and tested, and the read-me.
listing=$(cd "$scratch" && find . -type f | sort | tr '\n' ' ')
[ "$listing" = "./$name/README.txt ./$name/tessavue-cli.exe ./$name/tessavue.exe " ] ||
  failed "$zip holds $listing"
for exe in tessavue.exe tessavue-cli.exe; do
  cmp -s "$scratch/$name/$exe" "build/mingw/windows/$exe" ||
    failed "$exe in the zip is not the program built and tested"
done
readme=$scratch/$name/README.txt
# Windows line ends for Notepad on older Windows, and the version it is for.
[ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] || failed "README.txt has lines without CRLF"
grep -q "^Tessavue $version for Windows" "$readme" || failed "README.txt does not name version $version"

mkdir -p build/mingw/artifacts
cp "$zip" build/mingw/artifacts/ && echo "$zip: ${listing% }"
exit $status
