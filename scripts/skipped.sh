#!/usr/bin/env bash
# Lists every optional part a test run skipped, and why, from the run's
# output LOG (scripts/test.sh passes its own):
#  - each line a step printed that starts with "SKIP: " (indented or not);
#  - for each ctest run in it ("Test project DIR"), the "SKIP: " lines in the
#    output of every test of DIR's last run (ctest shows only the output of
#    failed tests), and each test ctest reports as skipped (exit code 77)
#    that printed no reason.
# The same reason from several places is listed once, with the places.
# Usage: scripts/skipped.sh LOG
set -uo pipefail
log=$1
root=$PWD/

clean() { tr -d '\r' <"$1"; }

{
  clean "$log" | sed -n 's/^[[:space:]]*\(SKIP: .*\)$/\1\t/p'

  clean "$log" | sed -n 's/^Test project //p' | sort -u | while read -r dir; do
    last=$dir/Testing/Temporary/LastTest.log
    [ -f "$last" ] || continue
    where=${dir#"$root"}
    reasons=$(clean "$last" | awk -v where="$where" '
      /^[0-9]+\/[0-9]+ Testing: / { name = $3 }
      /^[[:space:]]*SKIP: / { sub(/^[[:space:]]*/, ""); print $0 "\t" where ": " name }')
    [ -z "$reasons" ] || printf '%s\n' "$reasons"
    # The tests this run of DIR reports as skipped ("  12 - name (Skipped)").
    clean "$log" | awk -v dir="$dir" '
      /^Test project / { here = ($3 == dir) }
      here && /^[[:space:]]+[0-9]+ - .* \(Skipped\)$/ { print $3 }' | sort -u |
      while read -r name; do
        grep -q "	$where: $name\$" <<<"$reasons" ||
          printf 'SKIP: exit code 77, no reason printed\t%s: %s\n' "$where" "$name"
      done
  done
} | awk -F '\t' '
  # One line per reason; its places grouped by build directory.
  {
    if (!($1 in seen)) { seen[$1] = 1; order[n++] = $1 }
    if ($2 == "") next
    split($2, part, ": ")
    key = $1 SUBSEP part[1]
    if (!(key in names)) { dirs[$1] = dirs[$1] SUBSEP part[1]; names[key] = "" }
    if (index(" " names[key] " ", " " part[2] " ") == 0) names[key] = names[key] " " part[2]
  }
  END {
    if (n == 0) { print "== Skipped: nothing"; exit }
    print "== Skipped (" n "):"
    for (i = 0; i < n; i++) {
      line = order[i]
      m = split(dirs[order[i]], d, SUBSEP)
      places = ""
      for (j = 2; j <= m; j++) places = places (places == "" ? "" : "; ") "ctest " d[j] ":" names[order[i] SUBSEP d[j]]
      print line (places == "" ? "" : " [" places "]")
    }
  }'
