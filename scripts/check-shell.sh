#!/usr/bin/env bash
# Fails on any shellcheck finding, at its default level (style and up), in a
# shell script of the tree: every tracked file named *.sh or *.bash, or whose
# first line is a #! for sh or bash. Sourced files are followed (-x) from the
# paths their "# shellcheck source=" lines give; a file that is only sourced
# names its shell in a "# shellcheck shell=bash" line. An exception is a
# "# shellcheck disable=..." line above its command, with the reason.
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
scripts=()
while IFS= read -r -d '' f; do
  case $f in
    *.sh | *.bash) scripts+=("$f") ;;
    *)
      first=""
      IFS= read -r first <"$f" || true
      if [[ $first =~ ^#!.*(/|env\ )(ba)?sh([[:space:]]|$) ]]; then scripts+=("$f"); fi
      ;;
  esac
done < <(git ls-files -z)
shellcheck -x "${scripts[@]}"
echo "shellcheck: no finding in ${#scripts[@]} scripts"
