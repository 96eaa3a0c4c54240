#!/usr/bin/env bash
# Formats every C++ source of the checkout with the repository's .clang-format, or
# with --check only reports (and fails on) a source that is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [[ ${1:-} == --check ]]; then
  clang-format --dry-run -Werror "${sources[@]}"
  echo "== format: ${#sources[@]} sources formatted"
else
  clang-format -i "${sources[@]}"
fi
