#!/usr/bin/env bash
# trvprint through GDI, trv.dll, the spooler and TRVCPL.DLL to the virtual printer:
# three rows of data give three labels; the CPCL graphics the printer received
# decode back, dot for dot, to the three page bitmaps the driver sent
# (--preview-bitmap), each label its own; a description that is not valid, that
# names a column the data lacks, or whose preview cannot be written is refused with
# the file and the item named, and nothing reaches the printer.
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

mkdir "$work/preview"
"$out/trvprint" --printer Labels --data "$src/data/samples/addresses.csv" \
  --preview-bitmap "$work/preview/label.png" "$src/data/samples/shipping.json" > "$work/print.out"
grep -q '3 labels printed on Labels' "$work/print.out" || fail "trvprint did not report 3 labels"
for _ in $(seq 50); do [[ $(jobs) == 1 ]] && break; sleep 0.1; done
[[ $(jobs) == 1 ]] || fail "the printer did not receive the job"
job="$work/printer/$(ls "$work/printer" | grep '^job-')"
# The virtual printer writes the job as it arrives; it is whole once it stops growing.
size=-1
while [[ $(stat -c %s "$job") != "$size" ]]; do
  size=$(stat -c %s "$job")
  sleep 0.3
done

# The driver's page bitmaps, one file per label, each label its own.
[[ $(ls "$work/preview") == $'label-2.png\nlabel-3.png\nlabel.png' ]] ||
  fail "the preview is not three files: $(ls "$work/preview")"
for n in 2 3; do
  grep -q "page bitmap written to $work/preview/label-$n.png" "$work/print.out" ||
    fail "trvprint did not name label-$n.png"
done
cmp -s "$work/preview/label.png" "$work/preview/label-2.png" && fail "labels 1 and 2 are the same"
cmp -s "$work/preview/label-2.png" "$work/preview/label-3.png" && fail "labels 2 and 3 are the same"
# What the printer received prints exactly those dots: label n against page n.
"$out/trvcpclpages" --compare "$work/preview/label.png" "$job" > "$work/compare.out" 2>&1 ||
  fail "the printer's graphics are not the driver's pages: $(cat "$work/compare.out")"
grep -q '^3 labels equal their pages dot for dot$' "$work/compare.out" || fail "$(cat "$work/compare.out")"
# The comparison sees a wrong page: label 1 against the pages shifted by one.
mkdir "$work/shifted"
cp "$work/preview/label-2.png" "$work/shifted/label.png"
cp "$work/preview/label-3.png" "$work/shifted/label-2.png"
cp "$work/preview/label.png" "$work/shifted/label-3.png"
if "$out/trvcpclpages" --compare "$work/shifted/label.png" "$job" 2> "$work/compare.err"; then
  fail "labels compared equal to other labels' pages"
fi
grep -q '^trvcpclpages: label 1 differs from .*shifted/label.png in [0-9]* dots, the first at' \
  "$work/compare.err" || fail "$(cat "$work/compare.err")"
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
for place in "$work/no such folder/label.png" "$work/preview"; do
  if "$out/trvprint" --printer Labels --preview-bitmap "$place" "$src/data/samples/shipping.json" \
    --data "$src/data/samples/addresses.csv" 2> "$work/err"; then
    fail "a label was printed with its preview going to $place"
  fi
  grep -qF "$place: cannot write the page bitmap there" "$work/err" || fail "$(cat "$work/err")"
done
sleep 0.3
[[ $(jobs) == 1 ]] || fail "a refused description reached the printer"
"$out/trvprint" --help | grep -q 'OUT.png, the following as OUT-2.png, OUT-3.png' ||
  fail "--help does not tell how the preview's files are named"

# A label of printer objects alone is sent without a page bitmap: no preview file, a
# note instead, and the label prints.
echo '{"label": {"width": 50, "height": 30}, "items": [
  {"type": "box", "x": 1, "y": 1, "width": 10, "height": 10}]}' > "$work/lines.json"
"$out/trvprint" --printer Labels --preview-bitmap "$work/lines.png" "$work/lines.json" \
  > "$work/print.out" || fail "the label of lines did not print"
grep -qF "page 1 was sent without a bitmap (nothing on it as dots): no $work/lines.png" \
  "$work/print.out" || fail "$(cat "$work/print.out")"
[[ ! -e "$work/lines.png" ]] || fail "a preview was written for a page without a bitmap"
for _ in $(seq 50); do [[ $(jobs) == 2 ]] && break; sleep 0.1; done
[[ $(jobs) == 2 ]] || fail "the label of lines did not reach the printer"
echo "three labels printed, their CPCL graphics equal to the driver's pages dot for dot;"
echo "bad descriptions, a missing printer and an unwritable preview refused, nothing printed"
