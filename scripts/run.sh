#!/usr/bin/env bash
# Installs what building and running the programs needs, builds tolvi,
# tolvi-cli and tolvi-sim (not the tests: scripts/test.sh builds those), and
# runs the demo: the command-line program downloads the built-in simulated
# instrument's memory and saves it as CSV. Needs no display. The first
# argument names the CSV file (default: demo-download.csv in the current folder).
set -euo pipefail
out="$(realpath -m "${1:-demo-download.csv}")"
cd "$(dirname "$0")/.."
bash scripts/setup.sh tolvi tolvi-cli tolvi-sim
BUILD_DIR="${BUILD_DIR:-build}"
mkdir -p "$BUILD_DIR/demo-data"
"$BUILD_DIR/cli/tolvi-cli" --demo --data-dir "$BUILD_DIR/demo-data" download -o "$out"
echo "Demo data file: $out"
