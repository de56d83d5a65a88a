#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/ (built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, configured on first use).
#
#   fuzz.sh TARGET [SECONDS]   one target, 300 s unless told
#   fuzz.sh --all [SECONDS]    every target in turn, 30 s each unless told
#   fuzz.sh --list             the targets
#
# Each run starts from the target's seeds (fuzz/corpus/TARGET), with the words
# of its format (fuzz/dict/TARGET.dict) when there are any, and kept
# regression inputs (fuzz/regressions/TARGET), read only; what it finds goes
# to a working corpus in build-fuzz/work/TARGET, kept between runs. An input
# that crashes, hangs, leaks or shows undefined behaviour is written to
# build-fuzz/crashes/TARGET/ (and shown in base64) and the script fails;
# once the fault is fixed, commit the input under fuzz/regressions/TARGET/,
# where the normal tests replay it (FuzzReplay.TARGET).
set -euo pipefail
cd "$(dirname "$0")/.."

# The fuzz build needs clang, its fuzzer runtime and the symbolizer beyond
# the programs' packages (scripts/setup.sh).
FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm-14)

BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}"
mapfile -t targets < <(ls fuzz/corpus)

usage() {
    echo "usage: $0 TARGET [SECONDS] | --all [SECONDS] | --list" >&2
    echo "targets: ${targets[*]}" >&2
    exit 1
}

build() {
    bash scripts/install-packages.sh "${FUZZ_PACKAGES[@]}"
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S . -B "$BUILD_DIR" -G Ninja -DTOLVI_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$BUILD_DIR" --target "${@/#/fuzz_}"
}

# Runs one target for the given seconds; prints a summary line, fails on a finding.
run() {
    local target=$1 seconds=$2
    local work="$BUILD_DIR/work/$target" crashes="$BUILD_DIR/crashes/$target"
    local log="$BUILD_DIR/work/$target.log"
    mkdir -p "$work" "$crashes"
    touch "$work.start"
    local seeds=("fuzz/corpus/$target")
    [ -d "fuzz/regressions/$target" ] && seeds+=("fuzz/regressions/$target")
    # Words of the target's format (field names, marks) help the fuzzer past them.
    local options=()
    [ -f "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")
    echo "== fuzz $target for ${seconds}s"
    local status=0
    # A slow input counts as a hang after 10 s; memory is capped at 2 GB.
    nice -n 10 "$BUILD_DIR/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 "${options[@]}" "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?
    local runs
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "!! fuzz $target: finding after $runs runs (log: $log)"
        find "$crashes" -type f -newer "$work.start" | while read -r input; do
            echo "-- $input (base64):"
            base64 "$input" | head -c 8000
            echo
        done
        return 1
    fi
    echo "ok fuzz $target: ${seconds}s, $runs runs, corpus $(ls "$work" | wc -l) inputs"
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && command -v llvm-symbolizer-14 >/dev/null; then
    export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14)
fi

case "${1:-}" in
    --list) printf '%s\n' "${targets[@]}" ;;
    --all)
        seconds=${2:-30}
        build "${targets[@]}"
        failed=0
        for target in "${targets[@]}"; do
            run "$target" "$seconds" || failed=1
        done
        exit "$failed" ;;
    ""|-*) usage ;;
    *)
        [ -d "fuzz/corpus/$1" ] || usage
        build "$1"
        run "$1" "${2:-300}" ;;
esac
