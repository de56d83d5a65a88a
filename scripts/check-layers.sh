#!/usr/bin/env bash
# Fails when a core folder includes a folder above it in the layer chain.
#
# The core library is one chain of layers, bottom to top:
#     shell <- link <- instrument <- data <- records <- config <- session
# A file may include headers of its own folder and of folders below it only;
# the simulator's library (sim/lib) may use shell/ and link/ only.
#
# The instrument's protocol is spoken in instrument/ only: above it (data/,
# records/, config/, session/, ui/, cli/) no file includes the frame format
# (link/Frame.h) or the request helpers (instrument/RetriedRead.h), and no
# code writes a request or reply literal such as "J01", "A050000" or "'A05"
# (one or two capitals, a digit, then hexadecimal digits; comments are not
# read). Requests of one letter cannot be told from other text and are left
# to review.
#
# The window is assembled in one place: ui/TolviApplication builds every
# page's actions from the parts each needs, so no other file of ui/ includes
# TolviApplication.h (only ui/main.cpp and the class's own source), and ui/
# keeps no file cycle through it.
#
# Every offending line is printed as file:line: text, and the exit status is 1.
# Usage: check-layers.sh [SOURCE_TREE]   (default: this project)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(shell link instrument data records config session)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
readonly SimLibHighest=${rank[link]}

failures=0
protocolFailures=0
fail() { echo "$1"; failures=$((failures + 1)); }
protocol_fail() { echo "$1"; protocolFailures=$((protocolFailures + 1)); }
assemblyFailures=0
assembly_fail() { echo "$1"; assemblyFailures=$((assemblyFailures + 1)); }

readonly AboveInstrument=(src/data src/records src/config src/session ui cli)
readonly ProtocolHeaders='^[[:space:]]*#[[:space:]]*include[[:space:]]+"(link/Frame\.h|instrument/RetriedRead\.h)"'
readonly AssemblyHeader='^[[:space:]]*#[[:space:]]*include[[:space:]]+"(ui/)?TolviApplication\.h"'
readonly AssemblyIncluders='^ui/(main|TolviApplication)\.cpp$'
readonly RequestLiteral='"[^"[:space:][:alnum:]#]?[A-Z]{1,2}[0-9][0-9A-F]+"'

# Each grep reads every file of a group at once (file:line:text per hit):
# one process per group, not three per file, keeps the check to about a second.
trim() { local text=$1; printf '%s\n' "${text#"${text%%[![:space:]]*}"}"; }

# The highest layer a file may include (in $highest), or nothing for a file
# outside the layers.
highest_allowed() {
    highest=""
    case "$1" in
        sim/lib/*) highest=$SimLibHighest ;;
        src/*/*)
            local folder=${1#src/}
            folder=${folder%%/*}
            [ -n "${rank[$folder]+set}" ] && highest=${rank[$folder]} ;;
    esac
    return 0
}

layered=()
declare -A highestOf
while IFS= read -r -d '' file; do
    highest_allowed "$file"
    if [ -z "$highest" ]; then
        fail "$file: file outside the known layers"
        continue
    fi
    layered+=("$file")
    highestOf[$file]=$highest
done < <({ find src -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) -print0
           find sim/lib -type f \( -name '*.h' -o -name '*.cpp' \) -print0; } | sort -z)
if [ ${#layered[@]} -gt 0 ]; then
    while IFS=: read -r file number text; do
        included=${text#*\"}
        folder=${included%%/*}
        if [ -n "${rank[$folder]+set}" ] && [ "${rank[$folder]}" -gt "${highestOf[$file]}" ]; then
            fail "$file:$number: $(trim "$text")  (may not include $folder/)"
        fi
    done < <(grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"/]+/' -- "${layered[@]}" || true)
fi

existing_dirs=()
for dir in "${AboveInstrument[@]}"; do
    [ -d "$dir" ] && existing_dirs+=("$dir")
done
above=()
if [ ${#existing_dirs[@]} -gt 0 ]; then
    while IFS= read -r -d '' file; do above+=("$file"); done \
        < <(find "${existing_dirs[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
fi
if [ ${#above[@]} -gt 0 ]; then
    while IFS=: read -r file number text; do
        protocol_fail "$file:$number: $(trim "$text")  (the protocol is spoken in instrument/)"
    done < <(grep -nHE "$ProtocolHeaders" -- "${above[@]}" || true)
    while IFS=: read -r file number text; do
        literal=$(sed 's#//.*##' <<<"$text" | { grep -oE "$RequestLiteral" || true; } | head -n1)
        if [ -n "$literal" ]; then
            protocol_fail "$file:$number: $literal  (requests are composed in instrument/)"
        fi
    done < <(grep -nHE "$RequestLiteral" -- "${above[@]}" || true)
fi

if [ -d ui ]; then
    assembled=()
    while IFS= read -r -d '' file; do
        [[ "$file" =~ $AssemblyIncluders ]] || assembled+=("$file")
    done < <(find ui -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
    if [ ${#assembled[@]} -gt 0 ]; then
        while IFS=: read -r file number text; do
            assembly_fail "$file:$number: $(trim "$text")  (the application assembles ui/; pass the parts instead)"
        done < <(grep -nHE "$AssemblyHeader" -- "${assembled[@]}" || true)
    fi
fi

if [ "$failures" -gt 0 ]; then
    echo "layer check: $failures include(s) against the layer order" >&2
fi
if [ "$assemblyFailures" -gt 0 ]; then
    echo "layer check: $assemblyFailures include(s) of the application in ui/" >&2
fi
if [ "$protocolFailures" -gt 0 ]; then
    echo "layer check: $protocolFailures use(s) of the protocol above instrument/" >&2
fi
if [ "$failures" -gt 0 ] || [ "$protocolFailures" -gt 0 ] || [ "$assemblyFailures" -gt 0 ]; then
    exit 1
fi
echo "layer check: every include follows the layer order; the protocol stays in instrument/;" \
    "only the application includes itself in ui/"
