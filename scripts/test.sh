#!/usr/bin/env bash
# Builds everything and runs every test tier:
#   native  core tests under ASan/UBSan and a short fuzz run of every fuzz target
#   i686    what ships: static checks of its files (exports, resources, imports)
#           and, where this machine runs 32-bit programs, the Wine and GUI
#           tiers under 32-bit Wine in a Windows XP prefix
#   x64     the same sources: the Wine and GUI tiers under wine64, and the
#           shipped i686 tool on 64-bit Windows (WOW64)
# Ends with one line "N passed, N failed[, N skipped] (per build)"; exits
# non-zero on any failure.
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$src/build}
jobs=${JOBS:-$(nproc)}
"$src/scripts/build.sh" || { echo "0 passed, 1 failed"; exit 1; }

passed=0; failed=0; skipped=0
ran=()
run_ctest() {  # build name, extra ctest arguments...
  local name=$1; shift
  local dir="$root/$name"
  local log="$dir/ctest-$(echo "$*" | tr -c 'a-zA-Z0-9' '_').log"
  echo "== tests in $dir $*"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@") 2>&1 | tee "$log"
  local p
  p=$(grep -oE '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$p" ]; then
    failed=$((failed + 1)); ran+=("$name: no result"); return
  fi
  local f total
  f=$(echo "$p" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+)/\1/')
  total=$(echo "$p" | sed -E 's/.* out of ([0-9]+)/\1/')
  passed=$((passed + total - f)); failed=$((failed + f))
  ran+=("$name $total")
}

run_ctest native

source "$src/scripts/lib/xvfb.sh"
[ -n "${DISPLAY:-}" ] || vq_start_xvfb
if "$src/scripts/lib/runs-32bit.sh" && [ -x /usr/lib/wine/wine ]; then
  run_ctest i686
  run_ctest x64
else
  run_ctest i686 -L static
  n=$(cd "$root/i686" && ctest -N -L 'wine|gui' | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
  skipped=$((skipped + ${n:-0}))
  # The shipped tool under 64-bit Windows is a 32-bit program too.
  run_ctest x64 -LE wow64
  n=$(cd "$root/x64" && ctest -N -L wow64 | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
  skipped=$((skipped + ${n:-0}))
  echo "== the i686 Wine and GUI tiers and the WOW64 test did not run: this machine does not run 32-bit programs"
fi
vq_stop_xvfb

summary="$passed passed, $failed failed"
[ "$skipped" -eq 0 ] || summary+=", $skipped skipped (32-bit programs under Wine: no 32-bit support here)"
echo "$summary ($(IFS=,; echo "${ran[*]}" | sed 's/,/, /g'))"
[ "$failed" -eq 0 ]
