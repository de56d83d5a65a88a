#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet
# (as root, or through sudo). Idempotent: does nothing when all are there.
set -euo pipefail
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
