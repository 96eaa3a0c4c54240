#!/usr/bin/env bash
# trvprint through GDI, trv.dll, the spooler and TRVCPL.DLL to the virtual printer:
# three rows of data give three labels; a description that is not valid, or that
# names a column the data lacks, is refused with the file and the item named, and
# nothing reaches the printer.
set -euo pipefail
out=$1
src=$2
work=$(mktemp -d)
export TRV_ROOT="$work/root"
mkdir -p "$work/files" "$work/printer" "$TRV_ROOT/drive_c/windows/Fonts"
"$out/trvprinter" --port 0 --dir "$work/printer" --lang cpcl > "$work/printer.out" &
printer=$!
trap 'echo quit > "$work/printer/control" 2>/dev/null || true; wait "$printer" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [[ -s "$work/printer.out" ]] && break; sleep 0.1; done
port=$(head -1 "$work/printer.out" | grep -o '[0-9]*$')
cp "$out/TRVBAR.TTF" "$out/TRVBARNT.TTF" /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  "$TRV_ROOT/drive_c/windows/Fonts/"
"$out/trvreg" add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
  /v 'DejaVu Sans (TrueType)' /d DejaVuSans.ttf /f > /dev/null
echo ui > "$work/files/TRVUI.DLL"
"$out/trvspool" add-port NET: --tcp "127.0.0.1:$port" > /dev/null
"$out/trvspool" add-driver CPCL --driver-file "$out/trv.dll" --data-file "$out/TRVCP4.DAT" \
  --config-file "$work/files/TRVUI.DLL" \
  --dependent-files "$out/TRVCPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/CP*.UFM | paste -sd,)" \
  --monitor "CPCL Monitor" --monitor-file "$out/TRVCPL.DLL" > /dev/null
"$out/trvspool" add-printer Labels --driver CPCL --port NET: > /dev/null

fail() { echo "$*" >&2; exit 1; }
jobs() { ls "$work/printer" | grep -c '^job-' || true; }

"$out/trvprint" --printer Labels --data "$src/data/samples/addresses.csv" \
  "$src/data/samples/shipping.json" > "$work/print.out"
grep -q '3 labels printed on Labels' "$work/print.out" || fail "trvprint did not report 3 labels"
for _ in $(seq 50); do [[ $(jobs) == 1 ]] && break; sleep 0.1; done
[[ $(jobs) == 1 ]] || fail "the printer did not receive the job"
job="$work/printer/$(ls "$work/printer" | grep '^job-')"
[[ $(grep -a -c $'^PRINT\r$' "$job") == 3 ]] || fail "the job does not hold three labels"
[[ $(grep -a -c $'^PCX ' "$job") == 3 ]] || fail "the labels do not carry their page images"
# The box (four sides) and the rule of each label are the printer's own lines.
[[ $(grep -a -o -E $'L [0-9]+ [0-9]+ [0-9]+ [0-9]+ [0-9]+\r' "$job" | wc -l) == 15 ]] ||
  fail "the labels' box and rule are not printer lines"

# Refused before anything is printed.
cat > "$work/bad.json" <<'JSON'
{"label": {"width": 50, "height": 30}, "items": [
  {"type": "box", "x": 1, "y": 1, "width": 10, "height": 10},
  {"type": "text", "x": 1, "y": 1, "text": "{zip}"}]}
JSON
if "$out/trvprint" --printer Labels --data "$src/data/samples/addresses.csv" "$work/bad.json" \
  2> "$work/err"; then
  fail "a text naming a missing column was printed"
fi
grep -q "bad.json: item 2 (text): no column \"zip\" in the data" "$work/err" || fail "$(cat "$work/err")"
echo '{"label": {"width": 50}, "items": []}' > "$work/bad.json"
if "$out/trvprint" --printer Labels "$work/bad.json" 2> "$work/err"; then
  fail "a label without a height was printed"
fi
grep -q 'bad.json: label: "height" is missing' "$work/err" || fail "$(cat "$work/err")"
if "$out/trvprint" --printer "No such printer" "$src/data/samples/shipping.json" \
  --data "$src/data/samples/addresses.csv" 2> "$work/err"; then
  fail "a missing printer was reported printed"
fi
grep -q 'cannot open printer "No such printer"' "$work/err" || fail "$(cat "$work/err")"
sleep 0.3
[[ $(jobs) == 1 ]] || fail "a refused description reached the printer"
echo "three labels printed; bad descriptions and a missing printer refused, nothing printed"
