#!/usr/bin/env bash
# Fuzzes the input reader for a bounded time (seconds, default 30), seeded with the example files.
# Any crash, leak or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
CXX=clang++ cmake -S . -B build-fuzz -DKIWORA_FUZZ=ON -DKIWORA_SANITIZE=ON -DKIWORA_BENCH=OFF > /dev/null
cmake --build build-fuzz -j"$(nproc 2>/dev/null || echo 4)" --target input_reader_fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp examples/*.txt "$corpus"/
./build-fuzz/fuzz/input_reader_fuzz -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus"
