#!/usr/bin/env bash
# The shipping label of printer objects (data/samples/shipping-cpcl.json and
# shipping-epl.json: printer-font texts in several sizes and directions, a Code 128
# and a second bar code, rules and a box, a small logo, a raw command) printed for
# three addresses through GDI, trv.dll, the spooler and the language monitor to a
# virtual CPCL printer and a virtual EPL printer at 203 dpi: the command streams
# they receive equal the golden files byte for byte. The same labels drawn as dots
# (--as-bitmap) show what the page bitmap would cost; bytes per label are reported
# side by side. A description naming a font or bar code the printer lacks is
# refused with the printer's list, before anything prints.
# With TRV_UPDATE_GOLDEN=1 the golden files are written instead of compared.
set -euo pipefail
out=$1
src=$2
golden=$src/tools/trvprint/tests/golden
work=$(mktemp -d)
export TRV_ROOT="$work/root"
mkdir -p "$work/files" "$work/cpcl" "$work/epl" "$TRV_ROOT/drive_c/windows/Fonts"
"$out/trvprinter" --port 0 --dir "$work/cpcl" --lang cpcl > "$work/cpcl.out" &
cpcl=$!
"$out/trvprinter" --port 0 --dir "$work/epl" --lang epl > "$work/epl.out" &
epl=$!
trap 'for d in cpcl epl; do echo quit > "$work/$d/control" 2>/dev/null || true; done
      wait "$cpcl" "$epl" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [[ -s "$work/cpcl.out" && -s "$work/epl.out" ]] && break; sleep 0.1; done
cpcl_port=$(head -1 "$work/cpcl.out" | grep -o '[0-9]*$')
epl_port=$(head -1 "$work/epl.out" | grep -o '[0-9]*$')
cp "$out/TRVBAR.TTF" "$out/TRVBARNT.TTF" /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  "$TRV_ROOT/drive_c/windows/Fonts/"
fonts_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
"$out/trvreg" add "$fonts_key" /v 'DejaVu Sans (TrueType)' /d DejaVuSans.ttf /f > /dev/null
"$out/trvreg" add "$fonts_key" /v 'TRV Code 39 (TrueType)' /d TRVBARNT.TTF /f > /dev/null
echo ui > "$work/files/TRVUI.DLL"
install() {  # printer, language (CPCL/EPL), model data file, metrics prefix, port
  "$out/trvspool" add-port "$2:" --tcp "127.0.0.1:$5" > /dev/null
  "$out/trvspool" add-driver "$2" --driver-file "$out/trv.dll" --data-file "$out/$3" \
    --config-file "$work/files/TRVUI.DLL" \
    --dependent-files "$out/TRV$2.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/"$4"*.UFM | paste -sd,)" \
    --monitor "$2 Monitor" --monitor-file "$out/TRV$2.DLL" > /dev/null
  "$out/trvspool" add-printer "$1" --driver "$2" --port "$2:" > /dev/null
}
install "CPCL labels" CPL TRVCP4.DAT CP "$cpcl_port"
install "EPL labels" EPL TRVEP2.DAT EP "$epl_port"

fail() { echo "$*" >&2; exit 1; }
count() { ls "$work/$1" | grep -c '^job-' || true; }
# Prints and waits for the job to arrive whole; echoes its path.
print() {  # dir, printer, description, extra options
  local before
  before=$(count "$1")
  "$out/trvprint" --printer "$2" --data "$src/data/samples/addresses.csv" $4 "$3" > /dev/null 2> "$work/print.err" ||
    fail "trvprint $2 $3 $4 failed: $(cat "$work/print.err")"
  for _ in $(seq 100); do
    (( $(count "$1") > before )) && break
    sleep 0.1
  done
  local job
  job="$work/$1/$(ls "$work/$1" | grep '^job-' | sort | tail -1)"
  # The virtual printer writes the job as it arrives; it is whole once it stops growing.
  local size=-1
  while [[ $(stat -c %s "$job") != "$size" ]]; do
    size=$(stat -c %s "$job")
    sleep 0.3
  done
  echo "$job"
}

# What the printers have.
"$out/trvprint" --list-fonts --printer "CPCL labels" > "$work/list"
grep -q '^  TB:Font 4 Size 0$' "$work/list" || fail "$(cat "$work/list")"
sed -n '/^Bar codes/,$p' "$work/list" | grep -q '^  TB:Code 128$' || fail "$(cat "$work/list")"
sed -n '/^Bar codes/,$p' "$work/list" | grep -q 'Font' && fail "a font listed as a bar code"

# Names the printer lacks are refused with its list, and nothing prints.
cat > "$work/font.json" <<'JSON'
{"label": {"width": 50, "height": 30}, "items": [
  {"type": "printer-text", "x": 1, "y": 1, "text": "a", "font": "TB:Font 9"}]}
JSON
cat > "$work/barcode.json" <<'JSON'
{"label": {"width": 50, "height": 30}, "items": [
  {"type": "box", "x": 1, "y": 1, "width": 5, "height": 5},
  {"type": "barcode", "x": 1, "y": 1, "barcode": "TB:Aztec", "data": "1"}]}
JSON
for case in 'font|item 1 (printer-text): printer "CPCL labels" has no font "TB:Font 9"; its fonts: "TB:Font 0 Size 0", "TB:Font 0 Size 2", ' \
  'barcode|item 2 (barcode): printer "CPCL labels" has no bar code "TB:Aztec"; its bar codes: "TB:Code 39", "TB:Code 128", '; do
  IFS='|' read -r name message <<< "$case"
  if "$out/trvprint" --printer "CPCL labels" "$work/$name.json" 2> "$work/err"; then
    fail "a description naming what the printer lacks was printed"
  fi
  grep -qF "$name.json: $message" "$work/err" || fail "$(cat "$work/err")"
done
sleep 0.3
[[ $(count cpcl) == 0 ]] || fail "a refused description reached the printer"

report=""
for lang in cpcl epl; do
  printer="CPCL labels"
  [[ $lang == epl ]] && printer="EPL labels"
  job=$(print "$lang" "$printer" "$src/data/samples/shipping-$lang.json" "")
  if [[ ${TRV_UPDATE_GOLDEN:-} == 1 ]]; then
    mkdir -p "$golden"
    cp "$job" "$golden/shipping-$lang.prn"
  fi
  cmp "$job" "$golden/shipping-$lang.prn" ||
    fail "the $lang printer did not receive the golden command stream (see $job)"
  objects=$(stat -c %s "$job")
  dots=$(stat -c %s "$(print "$lang" "$printer" "$src/data/samples/shipping-$lang.json" --as-bitmap)")
  # Printer objects must make the label much smaller than its dots.
  (( dots >= 10 * objects )) || fail "$lang: $objects bytes as objects, $dots as dots"
  report+="$(printf '%s: %d bytes per label as printer objects, %d as a page bitmap (%.1f times fewer)' \
    "$lang" $((objects / 3)) $((dots / 3)) "$(awk "BEGIN {print $dots / $objects}")")"$'\n'
done
printf '%s' "$report"
