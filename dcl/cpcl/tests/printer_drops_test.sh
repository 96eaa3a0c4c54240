#!/usr/bin/env bash
# A CPCL job through the spooler and TRVCPL.DLL to the virtual printer: a printer
# that drops the connection mid-job leaves the job kept with its error, and the job
# resubmitted once the printer is back arrives whole.
set -euo pipefail
out=$1
work=$(mktemp -d)
export TRV_ROOT="$work/root"
mkdir -p "$work/files" "$work/printer"
"$out/trvprinter" --port 0 --dir "$work/printer" --lang cpcl > "$work/printer.out" &
printer=$!
trap 'echo quit > "$work/printer/control" 2>/dev/null || true; wait "$printer" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [[ -s "$work/printer.out" ]] && break; sleep 0.1; done
port=$(head -1 "$work/printer.out" | grep -o '[0-9]*$')
for f in TRV.DLL TRVUI.DLL; do echo "$f" > "$work/files/$f"; done
# The first configuration installs the suite's bar-code TrueType font from the
# machine's fonts folder, where setup puts it.
mkdir -p "$TRV_ROOT/drive_c/windows/Fonts"
cp "$out/TRVBAR.TTF" "$out/TRVBARNT.TTF" "$TRV_ROOT/drive_c/windows/Fonts/"
"$out/trvspool" add-port NET: --tcp "127.0.0.1:$port" > /dev/null
"$out/trvspool" add-driver CPCL --driver-file "$work/files/TRV.DLL" --data-file "$out/TRVCP4.DAT" \
  --config-file "$work/files/TRVUI.DLL" \
  --dependent-files "$out/TRVCPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/CP*.UFM | paste -sd,)" \
  --monitor "CPCL Monitor" --monitor-file "$out/TRVCPL.DLL" > /dev/null
"$out/trvspool" add-printer Labels --driver CPCL --port NET: > /dev/null
# Large enough that the drop is seen while the job is still being written.
"$out/trvjob" --pages 30 --objects 5 "$work/job"

echo "drop 5000" > "$work/printer/control"
sleep 0.3
if "$out/trvspool" submit Labels "$work/job"; then
  echo "a job the printer dropped was reported printed" >&2
  exit 1
fi
"$out/trvspool" list jobs | grep -q "error" || { echo "the dropped job was not kept" >&2; exit 1; }

echo "drop 0" > "$work/printer/control"
sleep 0.3
"$out/trvspool" resubmit 1
last=$(ls "$work/printer" | grep '^job-' | sort | tail -1)
prints=$(grep -a -c $'^PRINT\r$' "$work/printer/$last" || true)
if [[ "$prints" != 30 ]]; then
  echo "the resubmitted job arrived with $prints of 30 labels" >&2
  exit 1
fi
if [[ -n "$("$out/trvspool" list jobs)" ]]; then
  echo "the printed job is still listed" >&2
  exit 1
fi
echo "dropped job kept, resubmitted and printed whole (30 labels)"
