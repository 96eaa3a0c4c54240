#!/usr/bin/env bash
# A CPCL job that asks for status queries, through the spooler and TRVCPL.DLL to the
# virtual printer: the printer answers busy for a while, then ready, and the job is
# held back while busy and then prints whole. A printer that stays busy past the
# "Printer not Ready" time-out makes the monitor ask the user: answered "Retry", the
# job is written again once the printer is ready and arrives whole, exactly once.
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
mkdir -p "$TRV_ROOT/drive_c/windows/Fonts"
cp "$out/TRVBAR.TTF" "$out/TRVBARNT.TTF" "$TRV_ROOT/drive_c/windows/Fonts/"
"$out/trvspool" add-port NET: --tcp "127.0.0.1:$port" > /dev/null
"$out/trvspool" add-driver CPCL --driver-file "$work/files/TRV.DLL" --data-file "$out/TRVCP4.DAT" \
  --config-file "$work/files/TRVUI.DLL" \
  --dependent-files "$out/TRVCPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/CP*.UFM | paste -sd,)" \
  --monitor "CPCL Monitor" --monitor-file "$out/TRVCPL.DLL" > /dev/null
"$out/trvspool" add-printer Labels --driver CPCL --port NET: > /dev/null
"$out/trvjob" --pages 3 --objects 5 --set status=1 "$work/job"

echo "busy 1500" > "$work/printer/control"
sleep 0.2
start=$(date +%s%N)
"$out/trvspool" submit Labels "$work/job"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
last=$(ls "$work/printer" | grep '^job-' | sort | tail -1)
prints=$(grep -a -c $'^PRINT\r$' "$work/printer/$last" || true)
[[ "$prints" == 3 ]] || { echo "the job arrived with $prints of 3 labels" >&2; exit 1; }
queries=$(grep -a -c $'\eh' "$work/printer/$last" || true)
(( queries >= 2 )) || { echo "the job asked the printer's status $queries times" >&2; exit 1; }
(( elapsed >= 1000 )) || { echo "the job did not wait for the busy printer (${elapsed} ms)" >&2; exit 1; }
[[ -z "$("$out/trvspool" list jobs)" ]] || { echo "the printed job is still listed" >&2; exit 1; }
echo "busy printer waited for (${elapsed} ms, $queries status requests), job printed whole"

# Busy for longer than the monitor's 10-second wait: the user is asked, answers Retry,
# and the job goes out again after the printer is back.
echo "busy 11500" > "$work/printer/control"
sleep 0.2
before=$(ls "$work/printer" | grep -c '^job-')
TRV_MESSAGEBOX_ANSWER=RETRY "$out/trvspool" submit Labels "$work/job"
jobs=$(ls "$work/printer" | grep '^job-' | sort | tail -n +$((before + 1)))
whole=0
for j in $jobs; do
  [[ $(grep -a -c $'^PRINT\r$' "$work/printer/$j" || true) == 3 ]] && whole=$((whole + 1))
done
[[ $whole == 1 ]] || { echo "after the time-out the job arrived whole $whole times" >&2; exit 1; }
[[ -z "$("$out/trvspool" list jobs)" ]] || { echo "the retried job is still listed" >&2; exit 1; }
echo "busy past the time-out, retried by the user: job printed whole once"
