#!/usr/bin/env bash
# Installs what is missing, checks the code format, builds and runs the tests:
# release, asan and tsan by default (CI), or only the configurations named
# (release | asan | tsan | deliverables; see scripts/build.sh). "fuzz" runs every
# fuzz harness for a short while on its seeds (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
configs=("$@")
if ((${#configs[@]} == 0)); then
  scripts/format.sh --check
  configs=(release deliverables asan tsan)
fi
for config in "${configs[@]}"; do
  if [[ $config == fuzz ]]; then
    echo "== fuzz (each harness ${TRV_FUZZ_SECONDS:-20}s on its seeds)"
    scripts/fuzz.sh all "${TRV_FUZZ_SECONDS:-20}"
    continue
  fi
  start=$SECONDS
  scripts/build.sh "$config"
  case "$config" in
    release) dir=build; select=() ;;
    asan) dir=build-asan; select=() ;;
    tsan) dir=build-tsan; select=(-L threads) ;;
    deliverables) echo "== $config built in $((SECONDS - start)) s"; continue ;;
  esac
  echo "== tests ($config)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300 "${select[@]}"
  echo "== $config built and tested in $((SECONDS - start)) s"
done
