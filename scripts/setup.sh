#!/usr/bin/env bash
# Installs the Debian packages the project needs, then configures and builds it.
# Idempotent: safe to run again; apt-get skips what is already installed.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev qt6-charts-dev libqt6opengl6-dev
  libqt6sql6-sqlite sqlite3
  libgl-dev libzip-dev zipcmp zipmerge ziptool unzip
  googletest libgtest-dev
  gnuplot-nox python3 python3-intelhex socat poppler-utils fonts-dejavu-core
  clang libclang-rt-14-dev llvm-14
  locales
)

bash scripts/install-packages.sh "${PACKAGES[@]}"
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi

# Locales the formatting tests switch between (English and a comma-decimal one).
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$' || ! locale -a 2>/dev/null | grep -qi '^en_GB.utf8$'; then
  for l in en_US.UTF-8 en_GB.UTF-8 de_DE.UTF-8; do
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi

BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
cmake --build "$BUILD_DIR"
