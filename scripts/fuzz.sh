#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs one or all of them.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
#
# TARGET is a harness name (records, language_file, model_files, reg_import,
# resources, ufm, status_reply, label_description, cpcl_pages, cpcl_job, epl_job);
# SECONDS is each harness's run time (default 60). Each run starts from the
# harness's seeds (the project's sample files) and its corpus in
# build-fuzz/corpus/TARGET; a finding is written to build-fuzz/findings/TARGET/
# and the run fails. Save a finding under fuzz/regressions/TARGET/ once it is
# fixed: the replay tests of the ordinary builds then run it for good.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-60}
harnesses=(records language_file model_files reg_import resources ufm status_reply label_description cpcl_pages cpcl_job epl_job)
if [[ $target != all ]]; then
  if [[ ! " ${harnesses[*]} " == *" $target "* ]]; then
    echo "usage: $0 [all|${harnesses[*]// /|}] [SECONDS]" >&2
    exit 2
  fi
  harnesses=("$target")
fi

scripts/install-deps.sh  # clang and its fuzzer runtime among the rest
cxx=$(command -v clang++-14 || command -v clang++)
cc=$(command -v clang-14 || command -v clang)

flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRV_FUZZ=ON -DTRV_BUILD_BENCH=OFF
       -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx")
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD"
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-fuzz "${flags[@]}" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_seeds resources_test_module trv_language_files \
  $(printf 'fuzz_%s ' "${harnesses[@]}")

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for h in "${harnesses[@]}"; do
  corpus=build-fuzz/corpus/$h
  findings=build-fuzz/findings/$h
  mkdir -p "$corpus" "$findings"
  # Seeds: the files the build names for the harness; a module's resource
  # section rather than the whole module, so that runs stay small.
  while IFS= read -r seed; do
    [[ -z $seed ]] && continue
    if [[ $h == resources && -f $seed ]]; then
      objcopy --dump-section trv_rsrc="$corpus/seed-section-$(basename "$seed")" "$seed" build-fuzz/objcopy.tmp || true
      # A module small enough for the input size limit goes in whole as well.
      (($(stat -c %s "$seed") <= 65536)) && cp "$seed" "$corpus/seed-$(basename "$seed")"
    elif [[ -d $seed ]]; then
      for f in "$seed"/*; do [[ -f $f ]] && cp "$f" "$corpus/seed-$(basename "$f")"; done
    elif [[ -f $seed ]]; then
      cp "$seed" "$corpus/seed-$(basename "$seed")"
    fi
  done < "build-fuzz/fuzz/$h.seeds"
  for f in fuzz/regressions/"$h"/*; do [[ -f $f ]] && cp "$f" "$corpus/"; done
  echo "== fuzz $h (${seconds}s)"
  set +e
  build-fuzz/fuzz/fuzz_"$h" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" \
    >"build-fuzz/fuzz-$h.log" 2>&1
  rc=$?
  set -e
  grep -E '^#[0-9]+ +DONE|^stat::number_of_executed_units|property failed|^SUMMARY|Test unit written' \
    "build-fuzz/fuzz-$h.log" || true
  if ((rc != 0)); then
    echo "fuzz: $h found a fault (log: build-fuzz/fuzz-$h.log; input in $findings/)"
    status=1
  fi
done
exit $status
