#!/usr/bin/env bash
# Checks that every DLL and function a 32-bit Windows binary imports is on the
# allow-list of what the oldest systems of the package export. The Windows
# loader refuses a program with an import it cannot resolve before any of its
# code runs, and Wine, which has every function, hides that.
#
#   check-imports.sh ALLOWLIST OBJDUMP BINARY...
#       passes when every import of every binary is listed
#   check-imports.sh --expect-rejected DLL:FUNCTION ALLOWLIST OBJDUMP BINARY
#       passes when the check rejects exactly that one import (proves that the
#       check can fail)
set -u
expected=""
if [ "${1:-}" = "--expect-rejected" ]; then expected=$2; shift 2; fi
[ $# -ge 3 ] || { echo "usage: check-imports.sh [--expect-rejected DLL:FUNCTION] ALLOWLIST OBJDUMP BINARY..." >&2; exit 2; }
allowlist=$1 objdump=$2; shift 2

# "DLL:FUNCTION" per allowed import, DLL in upper case.
allowed=$(awk '
  /^[ \t]*(#|$)/ { next }
  /^\[/ { dll = toupper(substr($1, 2, length($1) - 2)); next }
  { print dll ":" $1 }' "$allowlist" | sort -u)

# "DLL:FUNCTION" per import of a binary ("DLL:#ordinal" for one by ordinal).
imports_of() {
  "$objdump" -p "$1" | awk '
    /^The Import Tables/ { on = 1; next }
    /^The (Export|Relocation) / { on = 0 }
    on && /DLL Name:/ { dll = toupper($3); next }
    on && dll != "" && /^\t[0-9a-f]+\t/ {
      if (NF >= 3) print dll ":" $3; else print dll ":#" $2 }' | sort -u
}

status=0
rejected_all=""
for binary in "$@"; do
  [ -f "$binary" ] || { echo "FAIL: $binary does not exist" >&2; exit 1; }
  imports=$(imports_of "$binary")
  [ -n "$imports" ] || { echo "FAIL: no imports read from $binary" >&2; exit 1; }
  rejected=$(comm -23 <(echo "$imports") <(echo "$allowed"))
  count=$(echo "$imports" | wc -l)
  if [ -n "$rejected" ]; then
    status=1
    rejected_all+="$rejected"$'\n'
    [ -n "$expected" ] || echo "FAIL: $(basename "$binary") imports what the oldest systems lack:" \
                              $(echo "$rejected" | tr '\n' ' ') >&2
  else
    echo "ok: $(basename "$binary"), $count imports, all on the list"
  fi
done

if [ -n "$expected" ]; then
  got=$(echo -n "$rejected_all" | sort -u | tr '\n' ' ')
  if [ "$got" = "$expected " ]; then
    echo "ok: the check rejects $expected and nothing else"
    exit 0
  fi
  echo "FAIL: expected the check to reject only $expected, it rejected: ${got:-nothing}" >&2
  exit 1
fi
exit $status
