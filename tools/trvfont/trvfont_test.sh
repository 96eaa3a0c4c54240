#!/usr/bin/env bash
# trvfont through the spooler to the virtual printer: a face downloaded to a CPCL and
# to an EPL printer and deleted again, checked in the bytes each printer received, and
# the clear failures (unknown printer, face not found, printer refused).
set -euo pipefail
out=$1
work=$(mktemp -d)
export TRV_ROOT="$work/root"
mkdir -p "$work/files" "$work/cpcl" "$work/epl"
pids=()
cleanup() {
  for d in cpcl epl; do echo quit > "$work/$d/control" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
start_printer() {  # language
  "$out/trvprinter" --port 0 --dir "$work/$1" --lang "$1" > "$work/$1.out" &
  pids+=($!)
  for _ in $(seq 50); do [[ -s "$work/$1.out" ]] && break; sleep 0.1; done
}
port_of() { head -1 "$work/$1.out" | grep -o '[0-9]*$'; }
fail() { echo "$*" >&2; exit 1; }
last_job() { ls "$work/$1" | grep '^job-' | sort | tail -1; }

for f in TRV.DLL TRVUI.DLL; do echo "$f" > "$work/files/$f"; done
fonts="$TRV_ROOT/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp "$out/TRVBAR.TTF" "$out/TRVBARNT.TTF" "$fonts/"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$fonts/"
install_printer() {  # name language upper data-file port metrics-prefix
  "$out/trvspool" add-port "$1:" --tcp "127.0.0.1:$5" > /dev/null
  "$out/trvspool" add-driver "$1 driver" --driver-file "$work/files/TRV.DLL" --data-file "$out/$4" \
    --config-file "$work/files/TRVUI.DLL" \
    --dependent-files "$out/TRV$3.DEF,$out/trvprd.cfg,$out/language.dll,$out/trv_uk.lng,$(ls "$out"/$6*.UFM | paste -sd,)" \
    --monitor "$1 Monitor" --monitor-file "$out/TRV$3.DLL" > /dev/null
  "$out/trvspool" add-printer "$1" --driver "$1 driver" --port "$1:" > /dev/null
}
start_printer cpcl
start_printer epl
install_printer Labels cpcl CPL TRVCP4.DAT "$(port_of cpcl)" CP
install_printer Tags epl EPL TRVEP2.DAT "$(port_of epl)" EP

# CPCL: the CISDF file of the ten digits, announced with its size and check value.
"$out/trvfont" download --printer Labels --size 10 --characters numeric --number 12 \
  "DejaVu Sans" > "$work/stdout" 2> "$work/stderr"
grep -q "00000012: characters 48-57 drawn" "$work/stderr" || fail "no progress line: $(cat "$work/stderr")"
job="$work/cpcl/$(last_job cpcl)"
python3 - "$job" <<'PY' || fail "the CPCL printer did not receive the font file"
import sys
data = open(sys.argv[1], 'rb').read()
head, rest = data.split(b'\r\n', 4)[:4], data.split(b'\r\n', 4)[4]
assert head[0] == b'! CISDF' and head[1] == b'00000012.CPF', head
assert int(head[2], 16) == len(rest), (head[2], len(rest))
assert int(head[3], 16) == (0x10000 - (sum(rest) & 0xFFFF)) % 0x10000
assert rest.startswith(b'CISBF\r\n-DESC TAG\r\n-NUMBER 12\r\n-SIZES 1\r\n')
assert rest[rest.index(b'-END-FONT-INFO\r\n') + 16:][:2] == bytes([48, 57])
assert rest[-15:-7] == b'ENDCISTD' and rest[-5:] == bytes(5)
assert rest[-7:-5] == (len(rest) - rest.rindex(b'RNG')).to_bytes(2, 'big')
PY
# The printer keeps the font, so the installed list and the printer data the driver
# reads name it (under its face, with metrics generated from the face) until it is
# deleted.
data='HKLM\System\CurrentControlSet\Control\Print\Printers\Labels\PrinterDriverData'
fonts_of() { "$out/trvreg" query "$data\Fonts" /s; }
fonts_of | grep -q 'CommandMacro.*00000012' || fail "the download is not in the installed list"
metrics=$(fonts_of | grep -A2 'CommandMacro.*00000012' | grep FontInfo | awk '{print $3}' \
  | python3 -c 'import sys; print(bytes.fromhex(sys.stdin.read().strip())[64:80].split(b"\0")[0].decode())')
[[ -n "$metrics" ]] || fail "the downloaded font has no metrics name"
"$out/trvreg" query "$data" /v "UFM:$metrics" > /dev/null || fail "no metrics for the font"
face_hex=$(printf 'DejaVu Sans' | od -An -tx1 | tr -d ' \n' | tr a-f A-F)
"$out/trvreg" query "$data" /v Fonts | grep -q "$face_hex" \
  || fail "the printer data's font list does not have the font"
before=$(fonts_of | grep -c 'CommandMacro')
"$out/trvfont" delete --printer Labels 00000012 > /dev/null
[[ "$(cat "$work/cpcl/$(last_job cpcl)")" == "! U1 DELETE 00000012.CPF" ]] || fail "no CPCL deletion"
! fonts_of | grep -q 'CommandMacro.*00000012' || fail "the deleted font is still installed"
[[ "$(fonts_of | grep -c 'CommandMacro')" == $((before - 1)) ]] || fail "the deletion took other fonts"
! "$out/trvreg" query "$data" /v Fonts | grep -q "$face_hex" \
  || fail "the printer data still lists the deleted font"

# EPL: the soft font under its letter, upright and turned, then its deletion.
"$out/trvfont" download --printer Tags --size 8 --characters numeric --letter d \
  --orientation both "DejaVu Sans" > /dev/null 2> "$work/stderr"
[[ "$(grep -c 'characters 48-57 drawn' "$work/stderr")" == 2 ]] || fail "not a line per form"
job="$work/epl/$(last_job epl)"
python3 - "$job" <<'PY' || fail "the EPL printer did not receive the soft font"
import sys
data = open(sys.argv[1], 'rb').read()
start = b'\nN\nEK"d"\nES"d"'
assert data.startswith(start), data[:20]
count, orientation, height = data[len(start):len(start) + 3]
assert (count, orientation) == (10, 2), (count, orientation)
at = len(start) + 3
for form in range(2):
    for c in range(10):
        code, a, b = data[at:at + 3]
        assert code == 48 + c
        rows, bytes_per_row = (height, b) if form == 0 else (b, (height + 7) // 8)
        at += 3 + rows * bytes_per_row
assert data[at:].replace(b'^ee\n', b'') == b'', data[at:]  # at most status requests after
PY
"$out/trvfont" delete --printer Tags d > /dev/null
grep -q 'EK"d"' "$work/epl/$(last_job epl)" || fail "no EPL deletion"

# Clear failures.
expect_failure() {  # pattern command...
  local pattern=$1; shift
  if "$@" > /dev/null 2> "$work/stderr"; then fail "$* succeeded"; fi
  grep -q "$pattern" "$work/stderr" || fail "$*: $(cat "$work/stderr")"
}
expect_failure 'unknown printer "Nowhere"' "$out/trvfont" download --printer Nowhere "DejaVu Sans"
expect_failure 'face "No Such Face" not found' "$out/trvfont" download --printer Labels "No Such Face"
expect_failure 'takes --letter' "$out/trvfont" download --printer Tags --number 9 "DejaVu Sans"
echo "drop 40" > "$work/cpcl/control"
sleep 0.3
expect_failure 'printer refused' "$out/trvfont" download --printer Labels --characters numeric "DejaVu Sans"
echo "trvfont downloaded and deleted fonts on both printers"
