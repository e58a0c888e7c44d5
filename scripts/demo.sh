#!/usr/bin/env bash
# The demo: the uninstall tool TORVAX02 under Wine on a machine where the
# sample VARDEN QUILLAN package is installed.
#
#  1. builds what ships (i686) where this machine runs 32-bit programs, else
#     the x64 build, and the native tools;
#  2. shows what the tool makes of the sample scripts (unmcheck, a summary);
#  3. creates a Wine prefix under build/demo (32-bit, Windows XP, for the
#     shipped build), installs the sample package into it for real, starts
#     TORVAX02 and drives it to the selection page.
# On a person's display (DISPLAY set) the tool stays open to be used; without
# one it runs under Xvfb and ends after the screenshots. Their paths are printed.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$src/build}
if "$src/scripts/lib/runs-32bit.sh" && [ -x /usr/lib/wine/wine ]; then
  build=i686 wine=/usr/lib/wine/wine
  export WINEARCH=win32
else
  build=x64 wine=/usr/lib/wine/wine64
fi
"$src/scripts/build.sh" native "$build" >/dev/null

echo "== What the sample scripts describe (unmcheck):"
"$root/native/tools/unmcheck/unmcheck" --lint --printers "$src/samples/printers.json" \
    "$src/samples/driver/Qunz__02.unm" "$src/samples/program/Qunz__02.unm" > "$root/demo-unmcheck.json"
python3 - "$root/demo-unmcheck.json" <<'PY' 2>/dev/null || echo "  (full report: $root/demo-unmcheck.json)"
import json, sys
d = json.load(open(sys.argv[1]))
print("  profiles: " + ", ".join(p["name"] + " (" + p["kind"] + ")" for p in d["profiles"]))
print("  kept printers: %d, printers to remove: %d" % (d["keptCount"], d["removeCount"]))
print("  files the removal would delete: " + ", ".join(d["removal"]["Files"]))
print("  full report: " + sys.argv[1])
PY

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
demo="$root/demo"
source "$src/scripts/lib/xvfb.sh"
close=""
if [ -z "${DISPLAY:-}" ]; then
  vq_start_xvfb
  close="--close"
fi
trap vq_stop_xvfb EXIT

export WINEPREFIX="$demo/prefix"
rm -rf "$demo"
mkdir -p "$demo"
echo "== Creating a Wine prefix with the sample package in $WINEPREFIX ($build build)"
"$wine" wineboot -i >/dev/null 2>&1
[ "$build" = x64 ] || "$wine" reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w
if [ -n "$close" ]; then  # framed windows in the screenshots
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w
fi
"$wine" "$root/$build/tests/wine/fixture/install_sample_package.exe"
echo "== Starting TORVAX02"
"$wine" "$root/$build/tests/gui/torvax/torvax_demo.exe" $close
/usr/lib/wine/wineserver -k 2>/dev/null || true
shots="$root/$build/tests/gui/torvax/screenshots"
for f in demo-loading demo-selection; do
  if command -v convert >/dev/null; then convert "$shots/$f.bmp" "$shots/$f.png" && echo "screenshot: $shots/$f.png"
  else echo "screenshot: $shots/$f.bmp"; fi
done
