#!/usr/bin/env bash
# Fuzzes one target (store, sim_store, usbscan, save, color; "all": each in turn) for SECONDS
# seconds each, after running its seeds (fuzz/corpus/TARGET). Builds the targets with clang in
# build-fuzz/ first. Inputs that add coverage go to build-fuzz/corpus/TARGET, crashes and hangs
# to build-fuzz/findings/TARGET; libFuzzer's final statistics end each run. Exit status nonzero
# on a finding.
#
#   bash scripts/fuzz.sh color 1800
#   bash scripts/fuzz.sh all 20
set -euo pipefail
cd "$(dirname "$0")/.."
if (($# != 2)); then
    echo "usage: scripts/fuzz.sh TARGET|all SECONDS" >&2
    exit 2
fi
targets=("$1")
[ "$1" = all ] && targets=(store sim_store usbscan save color)
seconds=$2

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZENT_FUZZ=ON -DZENT_BUILD_BENCH=OFF -DZENT_BUILD_APP=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

# Leaks are the sanitizer test build's concern; checking every input for them slows fuzzing tenfold.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
    echo "== fuzz_$t: seeds, then ${seconds} s"
    "build-fuzz/bin/fuzz_$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t/" \
        "build-fuzz/corpus/$t" "fuzz/corpus/$t"
done
