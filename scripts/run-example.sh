#!/usr/bin/env bash
# Builds the program and plays the bundled example script; the result file lands beside the example data.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 4)" --target kiwora
./build/kiwora --play examples/demo.kws
echo "Result file: examples/demo-out.txt"
