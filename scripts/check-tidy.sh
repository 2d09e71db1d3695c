#!/usr/bin/env bash
# Fails on any clang-tidy 14 finding (the checks of .clang-tidy) in a C++
# source outside tests/, and in our headers those sources include. Each
# source is read with the flags of the build that compiles it:
# - the Linux sources with the dev preset's compile_commands.json;
# - fuzz/ with the fuzz preset's (clang; skipped without clang++);
# - windows/ and systems/win32/ with the mingw64 preset's, as clang reads
#   them for x86_64-w64-mingw32 over MinGW-w64's GCC C++ library (skipped
#   without MinGW-w64).
# A source that none of these builds compiles is itself a failure, so that
# none goes unchecked.
# Usage: scripts/check-tidy.sh [JOBS]   (default: the number of processors)
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
jobs=${1:-$(nproc)}
scripts/deps.sh build

sources=()
while IFS= read -r -d '' f; do
  case $f in tests/*) ;; *) sources+=("$f") ;; esac
done < <(git ls-files -z -- '*.cpp')

linux=() fuzz=() windows=()
for f in "${sources[@]}"; do
  case $f in
    fuzz/*) fuzz+=("$f") ;;
    windows/* | systems/win32/*) windows+=("$f") ;;
    *) linux+=("$f") ;;
  esac
done

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
checked=0

# tidy PRESET_DIR SOURCE... [-- EXTRA_ARG...]: runs clang-tidy over the
# sources with that build's flags; fails when one is not in its database.
tidy() {
  local dir=$1
  shift
  local files=() extra=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do files+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  for a in "$@"; do extra+=("-extra-arg=$a"); done
  local missing=() patterns=()
  for f in "${files[@]}"; do
    if grep -qF "\"file\": \"$root/$f\"" "$dir/compile_commands.json"; then
      patterns+=("^$root/$f\$")
    else
      missing+=("$f")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "FAIL: not in $dir/compile_commands.json, so not checked: ${missing[*]}"
    status=1
  fi
  [ ${#patterns[@]} -eq 0 ] && return 0
  echo "clang-tidy: ${#patterns[@]} sources with the flags of $dir"
  run-clang-tidy-14 -p "$dir" -j "$jobs" -quiet "${extra[@]}" "${patterns[@]}" >>"$log" 2>&1 ||
    status=1
  checked=$((checked + ${#patterns[@]}))
}

cmake --preset dev >/dev/null
tidy build/dev "${linux[@]}"

if command -v clang++ >/dev/null; then
  cmake --preset fuzz >/dev/null
  tidy build/fuzz "${fuzz[@]}"
else
  echo "SKIP: clang++ is not installed; clang-tidy did not read ${fuzz[*]}"
fi

mingw_cxx=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && [ -d "$mingw_cxx" ]; then
  cmake --preset mingw64 >/dev/null
  # clang does not take the target from the compiler's name ("-posix"), nor
  # find GCC's C++ library for it by itself.
  tidy build/mingw64 "${windows[@]}" -- --target=x86_64-w64-mingw32 -nostdinc++ \
    "-isystem$mingw_cxx" "-isystem$mingw_cxx/x86_64-w64-mingw32" "-isystem$mingw_cxx/backward"
else
  echo "SKIP: MinGW-w64 (x86_64, posix threads) is not installed; clang-tidy did not read" \
    "${windows[*]}"
fi

# A finding in a header shows once for every source that includes it.
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' |
  sed "s|^$root/||" | sort -u || true)
if [ -n "$findings" ]; then
  echo "FAIL: clang-tidy: $(wc -l <<<"$findings") findings:"
  echo "$findings"
  status=1
elif [ $status -ne 0 ]; then
  echo "FAIL: clang-tidy failed without a finding; its output:"
  sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -v '^clang-tidy-14 ' | tail -40
else
  echo "clang-tidy: no finding in $checked sources"
fi
exit $status
