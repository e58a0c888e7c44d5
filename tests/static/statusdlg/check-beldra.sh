#!/usr/bin/env bash
# Static checks of the shipped 32-bit BELDRA02.dll, which cannot run here:
# a 32-bit PE, the seven exports with their names and ordinals 1 to 7, and no
# import of a MinGW runtime DLL.
#
#   check-beldra.sh OBJDUMP BELDRA02.dll
set -u
objdump=$1
dll=$2
fail=0
dump=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }

echo "$dump" | grep -q "file format pei-i386" || { echo "not a 32-bit PE"; fail=1; }
echo "$dump" | grep -qE "Ordinal Base[[:space:]]+1$" || { echo "ordinal base is not 1"; fail=1; }

# objdump lists the export table as "[index] name" with index = ordinal - base.
exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -nE 's/^[[:space:]]*\[[[:space:]]*([0-9]+)\][[:space:]]+(.*)$/\1 \2/p' | sort -n)
expected="0 ModeSettingDialogDoModal
1 TonerLevelDialogDoModal
2 TonerReplaceDialogDoModal
3 VoltageBiasDialogDoModal
4 DllCanUnloadNow
5 DllGetClassObject
6 DllRegisterServer"
if [ "$exports" != "$expected" ]; then
  echo "exports differ:"; echo "$exports"; fail=1
fi

imports=$(echo "$dump" | sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' | tr 'A-Z' 'a-z' | sort -u)
for dll_name in $imports; do
  case "$dll_name" in
    libgcc*|libstdc++*|libwinpthread*) echo "imports the runtime DLL $dll_name"; fail=1 ;;
  esac
done
echo "$imports" | grep -qx "ws2_32.dll\|wsock32.dll" || { echo "does not import Windows Sockets"; fail=1; }

[ $fail -eq 0 ] && echo "BELDRA02.dll: PE32, 7 exports by name and ordinal, no runtime DLL"
exit $fail
