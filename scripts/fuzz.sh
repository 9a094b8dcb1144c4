#!/usr/bin/env bash
# Fuzzes each reader of user files for a bounded time (seconds per target, default 30), each seeded with
# files of its own layout: the input file, the loci-selection file, the import table, the test groups (alone
# and against a loaded reference file), and scripts of the script player. Any crash, leak or sanitizer
# report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
CXX=clang++ cmake -S . -B build-fuzz -DKIWORA_FUZZ=ON -DKIWORA_SANITIZE=ON -DKIWORA_BENCH=OFF > /dev/null
targets=(input_reader_fuzz loci_selection_fuzz import_table_fuzz test_groups_fuzz
         test_groups_against_reference_fuzz script_player_fuzz)
jobs=$(nproc 2>/dev/null || echo 4)
cmake --build build-fuzz -j"$(( jobs < 3 ? jobs : 3 ))" --target "${targets[@]}"
seeds_input_reader_fuzz=(examples/*.txt)
seeds_loci_selection_fuzz=(tests/scripts/loci_*.txt)
seeds_import_table_fuzz=(tests/scripts/*.csv)
seeds_test_groups_fuzz=(tests/scripts/test_*.txt)
seeds_test_groups_against_reference_fuzz=(tests/scripts/test_*.txt)
seeds_script_player_fuzz=(tests/scripts/*.kws examples/demo.kws)
for target in "${targets[@]}"; do
  corpus=$(mktemp -d)
  seeds="seeds_${target}[@]"
  cp "${!seeds}" "$corpus"/
  echo "== $target: $seconds s"
  # A unit that runs past 60 s is a hang, and fails.
  ./build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 "$corpus" ||
    { rm -rf "$corpus"; exit 1; }
  rm -rf "$corpus"
done
