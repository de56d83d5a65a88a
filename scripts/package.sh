#!/usr/bin/env bash
# Builds the Debian package build/tolvi_<version>_amd64.deb: the three
# programs, the manual pages and the user manual (made from docs/), the
# desktop entry, icon, AppStream metadata and bash completion.
# Installs the Debian packages the package build needs first (as root, or
# through sudo). BUILD_DIR chooses the build folder (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."

# What the package build needs beyond the programs' packages (scripts/setup.sh).
PACKAGING_PACKAGES=(
  python3-docutils rst2pdf librsvg2-bin   # manual pages, user manual, icon
  dpkg-dev file                           # dpkg-shlibdeps for the dependencies
)

bash scripts/install-packages.sh "${PACKAGING_PACKAGES[@]}"

BUILD_DIR="${BUILD_DIR:-build}"
TOLVI_CMAKE_OPTIONS="-DTOLVI_DOCS=ON ${TOLVI_CMAKE_OPTIONS:-}" \
  bash scripts/setup.sh tolvi tolvi-cli tolvi-sim man-pages user-manual icon-png changelog-gz
rm -f "$BUILD_DIR"/tolvi_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
ls "$BUILD_DIR"/tolvi_*_amd64.deb
