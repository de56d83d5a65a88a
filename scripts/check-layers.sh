#!/usr/bin/env bash
# Fails when a core folder includes a folder above it in the layer chain.
#
# The core library is one chain of layers, bottom to top:
#     shell <- link <- instrument <- data <- records <- config <- session
# A file may include headers of its own folder and of folders below it only;
# the simulator's library (sim/lib) may use shell/ and link/ only. Every
# offending include is printed as file:line: text, and the exit status is 1.
# Usage: check-layers.sh [SOURCE_TREE]   (default: this project)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(shell link instrument data records config session)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
readonly SimLibHighest=${rank[link]}

failures=0
fail() { echo "$1"; failures=$((failures + 1)); }

# The highest layer a file may include, or nothing for a file outside the layers.
highest_allowed() {
    case "$1" in
        sim/lib/*) echo "$SimLibHighest" ;;
        src/*/*)
            local folder=${1#src/}
            folder=${folder%%/*}
            [ -n "${rank[$folder]+set}" ] && echo "${rank[$folder]}" ;;
    esac
    return 0
}

while IFS= read -r -d '' file; do
    highest=$(highest_allowed "$file")
    if [ -z "$highest" ]; then
        fail "$file: file outside the known layers"
        continue
    fi
    while IFS=: read -r number text; do
        included=${text#*\"}
        folder=${included%%/*}
        if [ -n "${rank[$folder]+set}" ] && [ "${rank[$folder]}" -gt "$highest" ]; then
            fail "$file:$number: $(echo "$text" | sed 's/^[[:space:]]*//')  (may not include $folder/)"
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"/]+/' "$file" || true)
done < <({ find src -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) -print0
           find sim/lib -type f \( -name '*.h' -o -name '*.cpp' \) -print0; } | sort -z)

if [ "$failures" -gt 0 ]; then
    echo "layer check: $failures include(s) against the layer order" >&2
    exit 1
fi
echo "layer check: every include follows the layer order"
