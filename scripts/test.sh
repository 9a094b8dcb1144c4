#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 4)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIWORA_REQUIRE_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIWORA_SANITIZE=ON -DKIWORA_BENCH=OFF -DKIWORA_REQUIRE_TESTS=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
