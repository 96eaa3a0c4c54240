#!/usr/bin/env bash
# Installs, with apt-get, what a fresh machine lacks to build and test the suite.
# Idempotent: packages already present are left alone and nothing is fetched.
set -euo pipefail

packages=(
  g++ cmake make pkg-config ccache
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsqlite3-dev libfreetype-dev libpng-dev nlohmann-json3-dev libcairo2-dev libpixman-1-dev
  python3-fonttools fonts-dejavu-core
  clang-format clang-tidy
  clang-14 libclang-rt-14-dev  # the fuzz harnesses (scripts/fuzz.sh)
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
