#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs what the suite needs first, when it may (see scripts/install-deps.sh);
# the configuration fails rather than leave out the unit tests or the desktop tests.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 4)
scripts/install-deps.sh test bench

required=(-DKIWORA_REQUIRE_TESTS=ON -DKIWORA_REQUIRE_DESKTOP=ON)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${required[@]}"
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIWORA_SANITIZE=ON -DKIWORA_BENCH=OFF "${required[@]}"
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
