#!/usr/bin/env bash
# Refreshes the user manual's screenshots (docs/manual/images/) from the
# snapshots the window tests render into build/ui-snapshots/. Run it after a
# window changed, then review and commit the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
cmake --build "$BUILD_DIR" --target test_ui
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$BUILD_DIR/tests/test_ui" >/dev/null
for picture in docs/manual/images/*.png; do
  cp "$BUILD_DIR/ui-snapshots/$(basename "$picture")" "$picture"
done
git status --short docs/manual/images
