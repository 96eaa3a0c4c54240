#!/usr/bin/env bash
# trvreg as a program on a fresh machine root: add, query, export, import, and the
# exit code and message of a failure.
set -u
trvreg=$1
export TRV_ROOT=$(mktemp -d)
trap 'rm -rf "$TRV_ROOT"' EXIT
failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [[ "$2" != "$3" ]]; then
    echo "FAILED: $1"; echo "  expected: $2"; echo "  actual:   $3"
    failures=$((failures + 1))
  fi
}

key='HKLM\System\CurrentControlSet\Control\Print\Printers\Label'
"$trvreg" add "$key\PrinterDriverData" /v DotsPerINCH /t REG_DWORD /d 203 >/dev/null
"$trvreg" add "$key\PrinterDriverData" /v Language /d English >/dev/null
check "query shows the values" \
  "    DotsPerINCH    REG_DWORD    0xcb|    Language    REG_SZ    English" \
  "$("$trvreg" query "$key\PrinterDriverData" | grep '^    ' | paste -sd'|')"

"$trvreg" export "$key" "$TRV_ROOT/label.reg" >/dev/null
check "export writes the header" "Windows Registry Editor Version 5.00" "$(head -n1 "$TRV_ROOT/label.reg" | tr -d '\r')"
"$trvreg" delete "$key" /f >/dev/null
"$trvreg" query "$key" >/dev/null 2>&1
check "the deleted key is gone" "1" "$?"
"$trvreg" import "$TRV_ROOT/label.reg" >/dev/null
check "import restores the values" \
  "    DotsPerINCH    REG_DWORD    0xcb|    Language    REG_SZ    English" \
  "$("$trvreg" query "$key" /s | grep '^    ' | paste -sd'|')"

err=$("$trvreg" query 'HKLM\Nowhere' 2>&1 >/dev/null)
code=$?
check "a failure exits with 1" "1" "$code"
check "a failure explains itself on stderr" \
  "ERROR: The system was unable to find the specified registry key or value." "$err"

if ((failures > 0)); then exit 1; fi
echo "trvreg command line: all checks passed"
