#!/usr/bin/env bash
# Fuzzes each reader of user files for a bounded time (seconds per target, default 30), each seeded with
# files of its own layout: the targets and their seeds are listed in fuzz/targets.txt. Any crash, leak or
# sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
# Quiet when the configuration succeeds; its whole output when it fails.
configure_log=$(mktemp)
if ! CXX=clang++ cmake -S . -B build-fuzz -DKIWORA_FUZZ=ON -DKIWORA_SANITIZE=ON -DKIWORA_BENCH=OFF > "$configure_log" 2>&1; then
  cat "$configure_log" >&2
  rm -f "$configure_log"
  echo "fuzz.sh: the fuzz build could not be configured (it needs clang++ and its libFuzzer runtime)" >&2
  exit 1
fi
rm -f "$configure_log"
targets=()
declare -A seeds
while read -r target patterns; do
  [[ -z "$target" || "$target" == \#* ]] && continue
  targets+=("$target")
  seeds[$target]=$patterns
done < fuzz/targets.txt
jobs=$(nproc 2>/dev/null || echo 4)
cmake --build build-fuzz -j"$(( jobs < 3 ? jobs : 3 ))" --target "${targets[@]}"
for target in "${targets[@]}"; do
  corpus=$(mktemp -d)
  # The patterns are expanded here, from the source folder; seeds of one name from two folders both go in.
  n=0
  # shellcheck disable=SC2086
  for seed in ${seeds[$target]}; do
    n=$((n + 1))
    cp "$seed" "$corpus/$n-$(basename "$seed")"
  done
  echo "== $target: $seconds s"
  # A unit that runs past 60 s is a hang, and fails.
  ./build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 "$corpus" ||
    { rm -rf "$corpus"; exit 1; }
  rm -rf "$corpus"
done
