#!/usr/bin/env bash
# Builds every program and test with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-sanitize/ and runs the tests there: any memory error, leak or undefined
# behaviour fails the run. Slower than scripts/test.sh; for checking a change.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build-sanitize}"
BUILD_DIR="$BUILD_DIR" BUILD_TYPE=Debug \
  CXXFLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -O1" \
  LDFLAGS="-fsanitize=address,undefined" \
  bash scripts/setup-tests.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 900 -j"$(nproc)" "$@"
