#!/usr/bin/env bash
# Builds the program and plays the bundled example script; the result file lands beside the example data.
# Installs CMake and a compiler first when they are missing and it may (see scripts/install-deps.sh).
# KIWORA_JOBS sets the number of build jobs (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/jobs.sh
scripts/install-deps.sh example
# The configuration is quiet when it works, and shown whole when it fails.
if ! log=$(cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo 2>&1); then
  printf '%s\n' "$log" >&2
  echo "run-example.sh: the configuration failed (above)" >&2
  exit 1
fi
cmake --build build -j"$jobs" --target kiwora
./build/kiwora --play examples/demo.kws
echo "Result file: examples/demo-out.txt"
