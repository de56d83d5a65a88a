#!/usr/bin/env bash
# Installs the Debian packages that building and running the programs need,
# configures the build folder and builds the targets named as arguments
# (tolvi, tolvi-cli and tolvi-sim when none are named). Idempotent: safe to
# run again; apt-get skips what is already installed. BUILD_DIR chooses the
# build folder (default build/), BUILD_TYPE the build type, UNITY_BUILD
# whether sources compile in batches (default ON); further CMake
# options may be given in TOLVI_CMAKE_OPTIONS (e.g. "-DTOLVI_TESTS=ON").
# The tests' tools come with scripts/test.sh, the fuzzer's with
# scripts/fuzz.sh, the package tools with scripts/package.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev qt6-charts-dev libqt6opengl6-dev
  libqt6sql6-sqlite libqt6sql6-psql
  libgl-dev libzip-dev
  fonts-dejavu-core
)

bash scripts/install-packages.sh "${PACKAGES[@]}"

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tolvi tolvi-cli tolvi-sim)
BUILD_DIR="${BUILD_DIR:-build}"
# Sources compile in unity batches of 16 files of one target: a third of the
# CPU time of one file at a time (the Qt headers are read once a batch). A
# developer's own build folder may leave it off (UNITY_BUILD=OFF) so that
# an edit recompiles one file.
# shellcheck disable=SC2086 # the options are words on purpose
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DCMAKE_UNITY_BUILD="${UNITY_BUILD:-ON}" -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 ${TOLVI_CMAKE_OPTIONS:-}
cmake --build "$BUILD_DIR" --target "${targets[@]}"
