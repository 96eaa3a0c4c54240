#!/usr/bin/env bash
# The suite's main job, as far as it exists: build everything.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
