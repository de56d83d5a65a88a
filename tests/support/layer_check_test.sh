#!/usr/bin/env bash
# The layer check passes on this tree and on a small tree that keeps the
# order, and names the file, line and folder of every include against it.
set -euo pipefail
check="$1"
project="$2"
bash "$check" "$project" >/dev/null

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/link" "$tree/src/session" "$tree/src/shell" "$tree/sim/lib"
printf '#include "shell/Bits.h"\n#include "Local.h"\n' > "$tree/src/link/Ok.h"
printf '#include "link/Frame.h"\n' > "$tree/sim/lib/SimOk.cpp"
bash "$check" "$tree" >/dev/null

printf '#include <QString>\n#include "session/MainModel.h"\n' > "$tree/src/link/Up.cpp"
printf '#include "instrument/Clock.h"\n' > "$tree/sim/lib/SimUp.cpp"
mkdir -p "$tree/src/extra"
printf 'int x;\n' > "$tree/src/extra/Stray.cpp"
if output=$(bash "$check" "$tree" 2>&1); then
    echo "an upward include passed the check"; exit 1
fi
for expected in 'src/link/Up.cpp:2: #include "session/MainModel.h"  (may not include session/)' \
                'sim/lib/SimUp.cpp:1: #include "instrument/Clock.h"  (may not include instrument/)' \
                'src/extra/Stray.cpp: file outside the known layers' \
                'layer check: 3 include(s) against the layer order'; do
    grep -qxF "$expected" <<<"$output" || { echo "missing: $expected"; echo "$output"; exit 1; }
done

