#!/usr/bin/env bash
# Static checks of the shipped 32-bit TORVAX02.exe, which cannot run here:
# a 32-bit GUI program that needs no MinGW runtime DLL, with every resource
# the tool loads, in language 1046, and a manifest asking for elevation.
#
#   check-torvax02.sh OBJDUMP WINDRES EXE
set -u
objdump=$1 windres=$2 exe=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

dump=$("$objdump" -p "$exe") || fail "cannot read $exe"
echo "$dump" | grep -q "file format pei-i386" || fail "not a 32-bit x86 PE"
echo "$dump" | grep -qE "^Subsystem\s+00000002" || fail "not a Windows GUI program"
imports=$(echo "$dump" | sed -nE 's/^\s*DLL Name: (\S+)$/\1/p' | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')
for name in $imports; do
  case "$name" in
    LIBGCC*|LIBSTDC*|LIBWINPTHREAD*) fail "needs the MinGW runtime DLL $name" ;;
  esac
done
for name in WINSPOOL.DRV ADVAPI32.DLL COMCTL32.DLL; do
  echo " $imports" | grep -q " $name" || fail "does not import $name (imports: $imports)"
done
languages=$(echo "$dump" | grep -A1 "Language Table" \
            | sed -nE 's/^.*Entry: ID: (0x[0-9a-f]+),.*$/\1/p' | sort -u | tr '\n' ' ')
[ "$languages" = "0x000416 " ] || fail "resource languages are '$languages'"

rc=$("$windres" -i "$exe" -O rc) || fail "cannot read the resources"
expect() { echo "$rc" | grep -qE "$1" || fail "missing resource: $2"; }
for name in IDD_MAIN IDD_MAIN_NOBMP IDD_SELECT IDD_REMOVE; do
  expect "^\"$name\" DIALOGEX" "dialog $name"
done
expect '^"IDD_MAIN" DIALOGEX 0, 0, 346, 186' "IDD_MAIN size"
expect '^"IDD_MAIN_NOBMP" DIALOGEX 0, 0, 254, 186' "IDD_MAIN_NOBMP size"
expect '^"IDD_SELECT" DIALOGEX 0, 0, 210, 140' "IDD_SELECT size"
expect '^101 DIALOGEX 0, 0, 220, 140' "about box 101"
expect '^102 DIALOGEX' "loading dialog 102"
expect '^103 DIALOGEX 0, 0, 337, 172' "extra-information dialog 103"
expect 'CLASS "QLNUNINSTALLWINDOWCLASS02"' "main window class"
for id in 301 303 304 305; do expect "^$id 2 " "bitmap $id"; done
expect '^201 14 ' "icon 201"
expect '^601 MENU' "menu 601"
expect '^51 ACCELERATORS' "accelerator table 51"
expect '^1 VERSIONINFO' "version information"
expect '^1 24 ' "manifest"
strings_count=$(echo "$rc" | grep -cE '^\s+50[0-6][0-9], ')
[ "$strings_count" -ge 45 ] || fail "only $strings_count strings 5000-5069"
expect '5015, L"Desinstala\\347\\343o"' "caption string 5015"
echo "$rc" | grep -qF '5001, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"' \
  || fail "missing resource: Run key string 5001"
strings -a "$exe" | grep -q 'requireAdministrator' || fail "manifest does not require elevation"
# Windows XP stops a program whose trustInfo is in the asm.v3 namespace.
strings -a "$exe" | grep -q 'trustInfo xmlns="urn:schemas-microsoft-com:asm.v2"' \
  || fail "manifest's trustInfo is not in the asm.v2 namespace that Windows XP accepts"
echo "ok: $(basename "$exe")"
