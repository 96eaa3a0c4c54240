#!/usr/bin/env bash
# Configures and builds one configuration:
#   release       build/              everything, optimised: the deliverables, tools, tests, benchmarks
#   asan          build-asan/         everything but the benchmarks, with AddressSanitizer + UBSan
#   tsan          build-tsan/         only the tests that run threads or processes at once
#                                     (CTest label "threads"), with ThreadSanitizer
#   deliverables  build-deliverables/ the deliverables and tools alone, without tests or
#                                     benchmarks: shows they build without GoogleTest
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-release}
target=all
case "$config" in
  release) dir=build; flags=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRV_SANITIZE=ON -DTRV_BUILD_BENCH=OFF) ;;
  tsan)
    dir=build-tsan; target=trv_tests_threads
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRV_TSAN=ON -DTRV_BUILD_BENCH=OFF) ;;
  deliverables)
    dir=build-deliverables
    flags=(-DCMAKE_BUILD_TYPE=Release -DTRV_BUILD_TESTS=OFF -DTRV_BUILD_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan|tsan|deliverables]" >&2; exit 2 ;;
esac
# ccache, where present, keeps rebuilds of unchanged sources cheap; paths under the
# checkout are hashed relative to it, so two checkouts share one cache.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD"
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" --target "$target" -j "$(nproc)"
