#!/usr/bin/env bash
# Configures and builds one configuration: release (build/) or asan (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-release}
case "$config" in
  release) dir=build; flags=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRV_SANITIZE=ON -DTRV_BUILD_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
# ccache, where present, keeps rebuilds of unchanged sources cheap; paths under the
# checkout are hashed relative to it, so two checkouts share one cache.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD"
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
