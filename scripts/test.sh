#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, in the release and the
# sanitizer configuration (or only the one named: release | asan). "fuzz" runs
# every fuzz harness for a short while on its seeds (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
configs=("$@")
if ((${#configs[@]} == 0)); then configs=(release asan); fi
for config in "${configs[@]}"; do
  if [[ $config == fuzz ]]; then
    echo "== fuzz (each harness ${TRV_FUZZ_SECONDS:-20}s on its seeds)"
    scripts/fuzz.sh all "${TRV_FUZZ_SECONDS:-20}"
    continue
  fi
  scripts/build.sh "$config"
  dir=build; [[ $config == asan ]] && dir=build-asan
  echo "== tests ($config)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
done
