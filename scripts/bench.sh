#!/usr/bin/env bash
# Builds the benchmarks in a release build without sanitizers and runs them.
# Extra arguments go to the benchmark program (e.g. --benchmark_filter=Parse).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
dir=${BUILD_ROOT:-$src/build}/bench
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVQ_SANITIZE=OFF -DVQ_BENCHMARKS=ON >/dev/null
fi
cmake --build "$dir" -j "${JOBS:-$(nproc)}" --target core_bench
"$dir/tests/bench/core_bench" "$@"
