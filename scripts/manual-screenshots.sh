#!/usr/bin/env bash
# Refreshes the user manual's screenshots (docs/manual/images/) from the
# snapshots the window tests render into build/ui-snapshots/: the pages in
# use (connected to the simulated instrument, data downloaded, the chart
# drawn) at the window's first size, 900x600. Run it after a window changed,
# then review and commit the pictures. Pictures the window tests do not make
# (a page of the PDF report) are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
cmake --build "$BUILD_DIR" --target test_ui
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$BUILD_DIR/tests/test_ui" >/dev/null
for picture in docs/manual/images/*.png; do
  snapshot="$BUILD_DIR/ui-snapshots/$(basename "$picture")"
  if [[ -f "$snapshot" ]]; then
    cp "$snapshot" "$picture"
  else
    echo "not made by the window tests, left as it is: $picture"
  fi
done
git status --short docs/manual/images
