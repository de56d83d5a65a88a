#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j"$(nproc)" "$@"
