#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every C++ source of the release build's
# compile_commands.json, or over the sources named. Builds the release
# configuration first when it has no compile database yet.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build/compile_commands.json ]] || scripts/build.sh release
# The generated resource sources are data, not code to review. g++'s -Wno-restrict
# is unknown to clang: let clang ignore warning flags it does not know.
if (($# > 0)); then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp')
fi
run-clang-tidy -quiet -p build -j "${LINT_JOBS:-$(nproc)}" \
  -extra-arg=-Wno-unknown-warning-option \
  "${files[@]/#/$PWD/}"
