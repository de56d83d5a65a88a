#!/usr/bin/env bash
# Installs what is missing, builds the programs and the tests, and runs every
# test. Exits non-zero when a test fails. ctest arguments (e.g. -R Download)
# pass through.
#
# Two sets run side by side: the tests labelled "waits" spend their time
# waiting on protocol timers and processes, not on the CPU, so they run with
# many more jobs than there are cores; the rest run one per core.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-tests.sh
export QT_QPA_PLATFORM=offscreen
BUILD_DIR="${BUILD_DIR:-build}"
cores=$(nproc)
waiting_log="$BUILD_DIR/Testing/waiting-tests.log"
mkdir -p "$BUILD_DIR/Testing"

waiting_status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -L '^waits$' -j"$((4 * cores))" "$@" >"$waiting_log" 2>&1 &
waiting=$!
cpu_status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -LE '^waits$' -j"$cores" "$@" || cpu_status=$?
wait "$waiting" || waiting_status=$?
echo "== the tests that mostly wait (-j$((4 * cores))):"
cat "$waiting_log"
[ "$cpu_status" -eq 0 ] && [ "$waiting_status" -eq 0 ]
