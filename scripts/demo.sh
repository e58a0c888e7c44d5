#!/usr/bin/env bash
# The demo: builds the native tools and shows what the uninstall tool makes of
# the sample package's scripts: profiles, what would be removed for the sample
# printers, and the script warnings.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$src/build}
"$src/scripts/build.sh" native >/dev/null
"$root/native/tools/unmcheck/unmcheck" --lint --printers "$src/samples/printers.json" \
    "$src/samples/driver/Qunz__02.unm" "$src/samples/program/Qunz__02.unm"
