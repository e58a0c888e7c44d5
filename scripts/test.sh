#!/usr/bin/env bash
# Builds everything and runs every test tier:
#   native  core tests under ASan/UBSan and a short fuzz run of every fuzz target
#   i686    static checks of the shipped binaries (exports, resources, imports)
#   x64     the Wine tier and the GUI tier under one Xvfb display
# Ends with one line "N passed, N failed" over all tiers; exits non-zero on any failure.
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$src/build}
jobs=${JOBS:-$(nproc)}
"$src/scripts/build.sh" || { echo "0 passed, 1 failed"; exit 1; }

passed=0; failed=0
run_ctest() {  # build name, extra ctest arguments...
  local dir="$root/$1"; shift
  local log="$dir/ctest.log"
  echo "== tests in $dir"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@") 2>&1 | tee "$log"
  local p f
  p=$(grep -oE '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$p" ]; then
    failed=$((failed + 1)); return
  fi
  f=$(echo "$p" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+)/\1/')
  local total
  total=$(echo "$p" | sed -E 's/.* out of ([0-9]+)/\1/')
  passed=$((passed + total - f)); failed=$((failed + f))
}

run_ctest native
run_ctest i686

source "$src/scripts/lib/xvfb.sh"
[ -n "${DISPLAY:-}" ] || vq_start_xvfb
run_ctest x64
vq_stop_xvfb

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
