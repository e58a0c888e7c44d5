#!/usr/bin/env bash
# Static checks of the shipped 32-bit QUENTIC02.dll, which cannot run here.
#
#   check-quentic02.sh exports   OBJDUMP DLL
#   check-quentic02.sh resources OBJDUMP WINDRES DLL EXPECTED.rc
set -u
mode=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$mode" in
  exports)
    objdump=$2 dll=$3
    dump=$("$objdump" -p "$dll") || fail "cannot read $dll"
    echo "$dump" | grep -q "file format pei-i386" || fail "not a 32-bit x86 PE"
    # The device installer and the printer set-up look the exports up by
    # their plain names: no stdcall @n decoration, nothing else exported.
    exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
              | sed -nE 's/^\s*\[\s*[0-9]+\]\s+(\S+)$/\1/p' | sort | tr '\n' ' ')
    [ "$exports" = "CoInstallerEntry VendorSetup VendorSetup9x " ] \
      || fail "exports are '$exports'"
    # SETUPAPI.DLL is loaded at run time so that its absence only stops the
    # library from loading; and a static link needs no MinGW runtime DLL.
    imports=$(echo "$dump" | sed -nE 's/^\s*DLL Name: (\S+)$/\1/p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
    for dll_name in $imports; do
      case "$dll_name" in
        KERNEL32.DLL|USER32.DLL|SHELL32.DLL|WINSPOOL.DRV|MSVCRT.DLL) ;;
        *) fail "unexpected import $dll_name (imports: $imports)" ;;
      esac
    done
    ;;
  resources)
    objdump=$2 windres=$3 dll=$4 expected=$5
    # Every resource is in language 1046 (0x416, Portuguese, Brazilian).
    languages=$("$objdump" -p "$dll" | grep -A1 "Language Table" \
                | sed -nE 's/^.*Entry: ID: (0x[0-9a-f]+),.*$/\1/p' | sort -u | tr '\n' ' ')
    [ "$languages" = "0x000416 " ] || fail "resource languages are '$languages'"
    # The dialog template and the exact texts of the string table.
    actual=$("$windres" -i "$dll" -O rc) || fail "cannot read resources of $dll"
    diff -u "$expected" <(echo "$actual") || fail "resources differ from $expected"
    ;;
  *) echo "usage: $0 exports|resources ..." >&2; exit 2 ;;
esac
echo "ok: $mode of $(basename "$dll")"
