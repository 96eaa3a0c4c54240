#!/usr/bin/env bash
# The suite's main job, as far as it exists:
#  1. build everything;
#  2. write a label job the way the graphics driver writes it (a record stream with
#     page bitmaps and printer objects) and read it back through the language
#     monitor's record reader, event by event;
#  3. on a fresh machine root, install a CPCL printer whose driver names TRVCPL.DLL
#     as its language monitor and carries the model files and language file, on a
#     raw TCP port of a virtual label printer, and print a CPCL label file through
#     the spooler, the monitor and the port; the monitor's DCL object loads the
#     printer's configuration on the way and fills its lists in the registry;
#  4. check the fonts the first configuration installed (the bar-code TrueType font
#     and the stored metrics);
#  5. print a label job (a page bitmap, text, a bar code, a line and a box) through
#     the same path: the CPCL back-end turns its records into CPCL, and the job
#     checks the commands the virtual printer received;
#  6. install an EPL printer with TRVEPL.DLL on a second virtual printer that answers
#     as an EPL printer, and print a two-page record stream of page bitmaps on it: the
#     monitor's DCL object turns it into EPL set-up lines, "N", "GW" graphics and "P";
#  7. print a shipping label description with three rows of addresses from an
#     application (trvprint) through GDI and the graphics driver trv.dll to the CPCL
#     printer: three labels of CPCL with their page images arrive, and their graphics
#     decode to exactly the page bitmaps the driver sent;
#  8. print the shipping label of printer objects (printer fonts in several sizes and
#     directions, a Code 128 and a second bar code, rules, a box, a small logo) on the
#     CPCL printer and on an EPL 203 dpi printer through the whole path, show the
#     commands each printer received, and what the same label costs as a page bitmap.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
out=build/out
demo=build/demo

rm -rf "$demo"
mkdir -p "$demo/files" "$demo/printer"

echo "== 1. a label job as the graphics driver writes it, read in 4 KiB pieces"
"$out/trvjob" --pages 2 --objects 4 "$demo/sample.job"
"$out/trvdump" -v "$demo/sample.job"

echo "== 2. a CPCL label through the spooler and TRVCPL.DLL to a virtual printer"
export TRV_ROOT="$PWD/$demo/root"
"$out/trvprinter" --port 0 --dir "$demo/printer" --lang cpcl > "$demo/printer.out" &
printer_pid=$!
stop_printers() {
  for dir in "$demo/printer" "$demo/epl-printer"; do
    [[ -d "$dir" ]] && echo quit > "$dir/control" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}
trap stop_printers EXIT
for _ in $(seq 50); do [[ -s "$demo/printer.out" ]] && break; sleep 0.1; done
port=$(head -1 "$demo/printer.out" | grep -o '[0-9]*$')
echo "virtual printer on 127.0.0.1:$port"
# The graphics driver and the user-interface host come later; the spooler needs only
# their file names to install the driver.
for f in TRV.DLL TRVUI.DLL; do echo "stand-in for $f" > "$demo/files/$f"; done
# Setup puts the suite's bar-code TrueType font into the machine's fonts folder.
mkdir -p "$TRV_ROOT/drive_c/windows/Fonts"
cp "$out/TRVBAR.TTF" "$out/TRVBARNT.TTF" "$TRV_ROOT/drive_c/windows/Fonts/"
"$out/trvspool" add-port LABEL_NET: --tcp "127.0.0.1:$port"
"$out/trvspool" add-driver "Label CPCL" --driver-file "$demo/files/TRV.DLL" \
  --data-file "$out/TRVCP4.DAT" --config-file "$demo/files/TRVUI.DLL" \
  --dependent-files "$out/TRVCPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/CP*.UFM | paste -sd,)" \
  --monitor "Label CPCL Monitor" --monitor-file "$out/TRVCPL.DLL"
"$out/trvspool" add-printer "Label printer" --driver "Label CPCL" --port LABEL_NET:
"$out/trvspool" submit "Label printer" data/samples/hello.cpcl
"$out/trvspool" list printers
received="$demo/printer/job-0001.prn"
if cmp -s "$received" data/samples/hello.cpcl; then
  echo "the virtual printer received the label byte for byte ($(stat -c %s "$received") bytes):"
  tr -d '\r' < "$received"
else
  echo "the virtual printer did not receive the label as sent" >&2
  exit 1
fi

echo "== 3. the printer's lists, filled from the model files when the job started"
key='HKLM\System\CurrentControlSet\Control\Print\Printers\Label printer\PrinterDriverData'
for list in Papers Fonts Barcodes; do
  entries=$("$out/trvreg" query "$key\\$list" | grep -c '^HKEY' || true)
  # The query lists the key itself, then one line per entry.
  echo "$list: $((entries - 1)) entries"
  if (( entries < 2 )); then
    echo "the printer's $list list was not filled" >&2
    exit 1
  fi
done
"$out/trvreg" query "$key\Papers" | sed -n '2,6p'

echo "== 4. the fonts the first configuration installed"
fonts='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
if ! "$out/trvreg" query "$fonts" | grep 'TRV Code 39'; then
  echo "the bar-code TrueType font was not registered" >&2
  exit 1
fi
metrics=$("$out/trvreg" query "$key" | grep -c 'UFM:' || true)
echo "metrics stored for $metrics fonts and bar codes"
if (( metrics == 0 )); then
  echo "no font metrics were stored" >&2
  exit 1
fi

echo "== 4b. the printer data the graphics driver reads, stored by the driver's host"
"$out/trvhost" refresh "Label printer"

echo "== 5. a label job through the CPCL back-end to the virtual printer"
"$out/trvjob" --pages 1 --objects 5 "$demo/label.job"
"$out/trvspool" submit "Label printer" "$demo/label.job"
received="$demo/printer/job-0002.prn"
# What the printer got: the command lines, with the PCX image shown by its size.
LC_ALL=C grep -a -o -E '(! [0-9 ]+|PW [0-9]+|PCX [0-9]+ [0-9]+|SETMAG [0-9]+ [0-9]+|T [0-9] [0-9] [0-9]+ [0-9]+ [^\r]*|B [A-Z0-9 ]+|L [0-9 ]+|BOX [0-9 ]+|PRINT)'$'\r' \
  "$received" | tr -d '\r' > "$demo/label.commands"
cat "$demo/label.commands"
for expected in '^! 0 203 203 1219 1$' '^PW 832$' '^PCX 0 0$' '^T 0 0 8 8 Label 1.1$' \
  '^B 39 1 1 32 8 48 0000010002$' '^L 8 87 414 87 3$' '^BOX 7 ' '^PRINT$'; do
  if ! grep -q -E "$expected" "$demo/label.commands"; then
    echo "the virtual printer did not receive a line matching \"$expected\"" >&2
    exit 1
  fi
done
echo "the label arrived: $(stat -c %s "$received") bytes, one PCX image and every printer object"

echo "== 6. two page bitmaps through the spooler and TRVEPL.DLL to an EPL printer"
mkdir -p "$demo/epl-printer"
# Printer texts and bar codes come with the label layer's text placement; this job
# carries the page bitmaps only.
"$out/trvjob" --pages 2 --objects 0 "$demo/bitmaps.job"
"$out/trvprinter" --port 0 --dir "$demo/epl-printer" --lang epl > "$demo/epl-printer.out" &
for _ in $(seq 50); do [[ -s "$demo/epl-printer.out" ]] && break; sleep 0.1; done
epl_port=$(head -1 "$demo/epl-printer.out" | grep -o '[0-9]*$')
echo "virtual EPL printer on 127.0.0.1:$epl_port"
"$out/trvspool" add-port LABEL_EPL: --tcp "127.0.0.1:$epl_port"
"$out/trvspool" add-driver "Label EPL" --driver-file "$demo/files/TRV.DLL" \
  --data-file "$out/TRVEP2.DAT" --config-file "$demo/files/TRVUI.DLL" \
  --dependent-files "$out/TRVEPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/EP*.UFM | paste -sd,)" \
  --monitor "Label EPL Monitor" --monitor-file "$out/TRVEPL.DLL"
"$out/trvspool" add-printer "EPL printer" --driver "Label EPL" --port LABEL_EPL:
"$out/trvspool" submit "EPL printer" "$demo/bitmaps.job"
epl_received="$demo/epl-printer/job-0001.prn"
for _ in $(seq 50); do [[ -s "$epl_received" ]] && break; sleep 0.1; done
# The command lines of the job; each "GW" line is followed by its rows of dots, and
# the "P" line comes right after the last row.
lines=$(grep -a -o -E '^(q|Q|N|GW|D|S|Z)[0-9A-Z,]*$|P[0-9]+$' "$epl_received" || true)
echo "$lines"
if [[ $(grep -c '^GW' <<< "$lines") -ne 2 || $(grep -c '^P1$' <<< "$lines") -ne 2 ]]; then
  echo "the EPL printer did not receive two pages of graphics" >&2
  exit 1
fi

echo "== 7. an application prints labels: trvprint -> GDI -> trv.dll -> spooler -> TRVCPL.DLL"
# The machine's fonts: the system faces an application draws its text with.
fonts_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
for face in DejaVuSans:"DejaVu Sans" DejaVuSans-Bold:"DejaVu Sans Bold"; do
  cp "/usr/share/fonts/truetype/dejavu/${face%%:*}.ttf" "$TRV_ROOT/drive_c/windows/Fonts/"
  "$out/trvreg" add "$fonts_key" /v "${face#*:} (TrueType)" /d "${face%%:*}.ttf" /f > /dev/null
done
# The same model and monitor, now with the real graphics driver.
"$out/trvspool" add-driver "Label CPCL GDI" --driver-file "$out/trv.dll" \
  --data-file "$out/TRVCP4.DAT" --config-file "$demo/files/TRVUI.DLL" \
  --dependent-files "$out/TRVCPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/CP*.UFM | paste -sd,)" \
  --monitor "Label CPCL Monitor" --monitor-file "$out/TRVCPL.DLL"
"$out/trvspool" add-printer "Shipping labels" --driver "Label CPCL GDI" --port LABEL_NET:
before=$(ls "$demo/printer" | grep -c '^job-' || true)
mkdir -p "$demo/preview"
"$out/trvprint" --printer "Shipping labels" --data data/samples/addresses.csv \
  --preview-bitmap "$demo/preview/shipping.png" data/samples/shipping.json
last=""
for _ in $(seq 50); do
  last=$(ls "$demo/printer" | grep '^job-' | sort | tail -1)
  (( $(ls "$demo/printer" | grep -c '^job-') > before )) && [[ -s "$demo/printer/$last" ]] && break
  sleep 0.1
done
# The virtual printer writes the job as it arrives; it is whole once it stops growing.
size=-1
while [[ $(stat -c %s "$demo/printer/$last") != "$size" ]]; do
  size=$(stat -c %s "$demo/printer/$last")
  sleep 0.3
done
# The box and the rule under the heading reach the printer as its own lines ("L"),
# four sides and one rule per label, after the label's image.
LC_ALL=C grep -a -o -E '(! [0-9 ]+|PW [0-9]+|PCX [0-9]+ [0-9]+|L [0-9 ]+|PRINT)'$'\r' "$demo/printer/$last" |
  tr -d '\r' > "$demo/shipping.commands"
cat "$demo/shipping.commands"
if [[ $(grep -c '^PCX' "$demo/shipping.commands") -ne 3 || $(grep -c '^PRINT$' "$demo/shipping.commands") -ne 3 ||
      $(grep -c '^L ' "$demo/shipping.commands") -ne 15 ]]; then
  echo "the printer did not receive three labels from trvprint" >&2
  exit 1
fi
echo "three shipping labels arrived: $(stat -c %s "$demo/printer/$last") bytes"
# What the printer's graphics print, against the page bitmaps the driver sent.
if ! "$out/trvcpclpages" --compare "$demo/preview/shipping.png" "$demo/printer/$last"; then
  echo "the printer's graphics are not the pages the driver sent" >&2
  exit 1
fi

echo "== 8. the shipping label of printer objects on the CPCL and the EPL printer"
# The EPL model with the real graphics driver, on the EPL virtual printer.
"$out/trvspool" add-driver "Label EPL GDI" --driver-file "$out/trv.dll" \
  --data-file "$out/TRVEP2.DAT" --config-file "$demo/files/TRVUI.DLL" \
  --dependent-files "$out/TRVEPL.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/EP*.UFM | paste -sd,)" \
  --monitor "Label EPL Monitor" --monitor-file "$out/TRVEPL.DLL"
"$out/trvspool" add-printer "EPL shipping labels" --driver "Label EPL GDI" --port LABEL_EPL:
"$out/trvprint" --list-fonts --printer "EPL shipping labels"
# Prints the description for the three addresses and waits until the job has
# arrived whole; the path of the job the printer received goes to standard output.
print_job() {  # printer folder, printer, description, options
  local before last size=-1
  before=$(ls "$1" | grep -c '^job-' || true)
  "$out/trvprint" --printer "$2" --data data/samples/addresses.csv $4 "$3" >&2
  for _ in $(seq 100); do
    (( $(ls "$1" | grep -c '^job-') > before )) && break
    sleep 0.1
  done
  last="$1/$(ls "$1" | grep '^job-' | sort | tail -1)"
  while [[ $(stat -c %s "$last") != "$size" ]]; do
    size=$(stat -c %s "$last")
    sleep 0.3
  done
  echo "$last"
}
for lang in cpcl epl; do
  folder="$demo/printer" printer="Shipping labels"
  [[ $lang == epl ]] && folder="$demo/epl-printer" printer="EPL shipping labels"
  job=$(print_job "$folder" "$printer" "data/samples/shipping-$lang.json" "")
  echo "-- the $lang printer received $(stat -c %s "$job") bytes; its command lines (images left out):"
  LC_ALL=C grep -a -E $'^[ -~]+\r?$' "$job" | tr -d '\r' | LC_ALL=C grep -v -E '^(PCX|GW)' | head -40
  if ! LC_ALL=C grep -a -q -E '^(B 128 |B[0-9]+,[0-9]+,0,1,)' "$job"; then
    echo "the $lang printer did not receive the Code 128 as a bar-code command" >&2
    exit 1
  fi
  dots=$(print_job "$folder" "$printer" "data/samples/shipping-$lang.json" --as-bitmap)
  echo "-- $lang: $(( $(stat -c %s "$job") / 3 )) bytes per label as printer objects," \
    "$(( $(stat -c %s "$dots") / 3 )) as a page bitmap"
done
