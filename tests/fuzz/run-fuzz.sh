#!/usr/bin/env bash
# run-fuzz.sh TARGET CORPUS_DIR SEED_DIR SECONDS: a time-boxed libFuzzer run
# that starts from the seeds (and any corpus an earlier run left). Exits
# non-zero when the target crashes, leaks or trips a sanitizer.
set -eu
target=$1 corpus=$2 seeds=$3 seconds=$4
mkdir -p "$corpus"
exec "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
     -artifact_prefix="$corpus/" "$corpus" "$seeds"
