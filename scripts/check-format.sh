#!/usr/bin/env bash
# Fails when a C++ file of the tree is not as clang-format 14 writes it with
# the settings in .clang-format. To format: the same list through
# `clang-format-14 -i`.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror
echo "format: every C++ file as clang-format 14 writes it"
