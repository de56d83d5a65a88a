#!/usr/bin/env bash
# Installs what the tests need beyond the programs (googletest, the real
# readers and tools they drive, the locales they switch between, the
# PostgreSQL server programs the shared-archive tests start on their own), then
# configures with the tests on and builds everything (scripts/setup.sh).
# Used by scripts/test.sh and scripts/sanitize.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

TEST_PACKAGES=(
  googletest libgtest-dev
  sqlite3 zipcmp zipmerge ziptool unzip
  gnuplot-nox python3 python3-intelhex socat poppler-utils
  locales
  postgresql
)

bash scripts/install-packages.sh "${TEST_PACKAGES[@]}"
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi

# Locales the formatting tests switch between (English and a comma-decimal one).
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$' || ! locale -a 2>/dev/null | grep -qi '^en_GB.utf8$'; then
  for l in en_US.UTF-8 en_GB.UTF-8 de_DE.UTF-8; do
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi

TOLVI_CMAKE_OPTIONS="-DTOLVI_TESTS=ON ${TOLVI_CMAKE_OPTIONS:-}" bash scripts/setup.sh all
