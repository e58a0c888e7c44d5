#!/usr/bin/env bash
# Runs one Windows program under Wine and exits with its exit code.
#
#   wine-run.sh [--fresh NAME] [--desktop] PROGRAM.exe [ARGS...]
#
# VQ_WINE_ARCH chooses the machine: "win32" (the shipped 32-bit programs) is a
# 32-bit prefix set to Windows XP, run by the 32-bit loader; "win64" (the
# default) a 64-bit prefix run by wine64.
# VQ_WINE_ROOT (default: ./wine) holds the build tree's prefixes: "base" is
# booted once and shared by every test that only reads the machine; --fresh
# copies it to fresh/NAME so the program gets a clean machine of its own (the
# copy is removed afterwards unless the program failed). Without DISPLAY a
# private Xvfb is started, because a prefix whose desktop booted without a
# display can never create windows. --desktop (with --fresh) runs the
# programs of the prefix in one Wine virtual desktop, whose windows have
# frames and title bars in screenshots.
set -u
root=${VQ_WINE_ROOT:-$PWD/wine}
fresh=""
desktop=""
if [ "${1:-}" = "--fresh" ]; then fresh=$2; shift 2; fi
if [ "${1:-}" = "--desktop" ]; then desktop=1; shift; fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--fresh NAME] PROGRAM [ARGS...]" >&2; exit 2; }

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
arch=${VQ_WINE_ARCH:-win64}
case "$arch" in
  win32) wine=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  win64) wine=/usr/lib/wine/wine64 ;;
  *) echo "wine-run.sh: VQ_WINE_ARCH must be win32 or win64, not '$arch'" >&2; exit 2 ;;
esac
wineserver=/usr/lib/wine/wineserver

source "$(dirname "$0")/../../scripts/lib/xvfb.sh"
trap vq_stop_xvfb EXIT
[ -n "${DISPLAY:-}" ] || vq_start_xvfb

mkdir -p "$root"
base="$root/base"
(
  flock 9
  if [ ! -f "$base/.booted" ]; then
    rm -rf "$base"
    WINEPREFIX="$base" "$wine" wineboot -i >/dev/null 2>&1
    if [ "$arch" = win32 ]; then
      # The shipped binaries' oldest NT of those Wine reports well.
      WINEPREFIX="$base" "$wine" reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    fi
    WINEPREFIX="$base" "$wineserver" -w
    touch "$base/.booted"
  fi
) 9>"$root/base.lock"

prefix="$base"
if [ -n "$fresh" ]; then
  prefix="$root/fresh/$fresh"
  if [ -d "$prefix" ]; then WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null; rm -rf "$prefix"; fi
  mkdir -p "$root/fresh"
  (flock 9; cp -a "$base" "$prefix") 9>"$root/base.lock"
fi

export WINEPREFIX="$prefix"
if [ -n "$desktop" ] && [ -n "$fresh" ]; then
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  # The desktop process started by reg is not virtual; the next program
  # must start a new one that reads the setting.
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
fi
"$wine" "$@"
rc=$?
if [ -n "$fresh" ]; then
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
  [ $rc -eq 0 ] && rm -rf "$prefix"
fi
exit $rc
