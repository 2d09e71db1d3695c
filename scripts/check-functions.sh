#!/usr/bin/env bash
# Fails when a function outside tests/ is longer than 40 lines, as pmccabe
# counts them (its -v column 5: the lines from the function's first line to
# its closing brace), in every tracked C++ file (.cpp, .h) outside tests/.
# Lists each such function, longest first, with its file and first line.
#
# pmccabe reads C++ loosely: on some class bodies it complains of "too many
# }'s" and on a header that ends in a namespace's closing line without a
# newline of "expected closing }". It goes on with the next function all the
# same, so those complaints are left out of the output.
# Usage: scripts/check-functions.sh [MAX_LINES]   (default 40)
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
max=${1:-40}
files=()
while IFS= read -r -d '' f; do
  case $f in
    tests/*) ;;
    *) files+=("$f") ;;
  esac
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
  echo "check-functions: no C++ file found" >&2
  exit 1
fi

# pmccabe -v: modified and traditional complexity, statements, first line,
# lines, "file(line): name", separated by tabs. Non-zero exit on a parse
# complaint, hence the || true; an empty result is caught below.
report=$(pmccabe -v "${files[@]}" 2>/dev/null || true)
functions=$(awk -F'\t' 'NF >= 6 && $5 ~ /^[0-9]+$/' <<<"$report" | wc -l)
if [ "$functions" -eq 0 ]; then
  echo "check-functions: pmccabe found no function in ${#files[@]} files" >&2
  exit 1
fi
long=$(awk -F'\t' -v max="$max" 'NF >= 6 && $5 ~ /^[0-9]+$/ && $5 > max {
  printf "%5d lines  %s\n", $5, $6 }' <<<"$report" | sort -k1,1nr -k3)
# pmccabe reads a declaration that ends in ";" and the first body after it
# as one old-style C definition (parameters declared before the brace): an
# entry whose first line is such a declaration is no function.
definitions=""
while IFS= read -r entry; do
  [ -n "$entry" ] || continue
  where=${entry#*lines  }
  file=${where%%(*}
  line=${where#*(}
  line=${line%%)*}
  if sed -n "${line}p" "$file" | grep -qE ';[[:space:]]*$'; then continue; fi
  definitions+="$entry"$'\n'
done <<<"$long"
long=${definitions%$'\n'}
if [ -n "$long" ]; then
  echo "check-functions: $(wc -l <<<"$long") of $functions functions are over $max lines:"
  echo "$long"
  exit 1
fi
echo "check-functions: no function over $max lines ($functions functions in ${#files[@]} files)"
