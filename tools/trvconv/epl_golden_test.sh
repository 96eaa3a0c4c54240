#!/usr/bin/env bash
# trvconv --language epl on the 203-dpi sample model: a two-page sample job (page bitmap,
# text, bar code, line, raw command, box) with a darkness setting, compared byte for
# byte with its golden stream. Each GW block's binary rows are shown in the golden file
# by their size and black-dot count (EPL prints a 0 bit black), so the file stays
# readable; everything else is compared as it stands.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$out/trvjob" --pages 2 --objects 5 "$work/label.job" > /dev/null
"$out/trvconv" --language epl --model TRVEP2.DAT --set darkness=12 -o "$work/label.epl" \
  "$work/label.job"
python3 - "$work/label.epl" "$here/golden/label_epl203.txt" <<'PY'
import re, sys
data = open(sys.argv[1], 'rb').read()
shown, at = b'', 0
header = re.compile(rb'GW(\d+),(\d+),(\d+),(\d+)\n')
while (m := header.search(data, at)) is not None:
    size = int(m.group(3)) * int(m.group(4))
    rows = data[m.end():m.end() + size]
    assert len(rows) == size, 'a GW block is cut short'
    black = sum(8 - bin(b).count('1') for b in rows)
    shown += data[at:m.end()] + b'<%d bytes, %d black dots>\n' % (size, black)
    at = m.end() + size
shown += data[at:]
golden = open(sys.argv[2], 'rb').read()
if shown != golden:
    sys.stderr.write('trvconv --language epl differs from its golden stream:\n')
    sys.stderr.write(shown.decode('latin-1'))
    sys.exit(1)
PY
echo "the EPL stream matches its golden file"
