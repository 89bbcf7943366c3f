#!/usr/bin/env bash
# Installs what the tests need (Debian 12, as root), builds everything, and runs every test:
# the normal build first, then the address + undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_deps

# Every test that needs a camera starts its own duovue-sim; keep their sockets private.
export XDG_RUNTIME_DIR="$(mktemp -d /tmp/duovue-test-XXXXXX)"
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
export QT_QPA_PLATFORM=offscreen

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENT_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
# The Debian package, built from the normal build and checked from a scratch root.
bash scripts/check_package.sh build

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZENT_WERROR=ON \
    -DZENT_SANITIZE=ON -DZENT_BUILD_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# The fuzz targets (clang, sanitizers): every seed, then a short run of each.
bash scripts/fuzz.sh all 30
