#!/usr/bin/env bash
# The suite's main job, as far as it exists: build everything, write a label job
# as the graphics driver writes it (a record stream with page bitmaps and printer
# objects), and read it back through the language monitor's record reader, event by
# event.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
out=build/out
job=build/sample.job
"$out/trvjob" --pages 2 --objects 4 "$job"
echo "== $job: $(stat -c %s "$job") bytes, read in 4 KiB pieces"
"$out/trvdump" -v "$job"
