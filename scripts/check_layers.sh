#!/usr/bin/env bash
# Refuses an include that runs against the layers: each folder may include only itself and the folders
# below it. Usage: check_layers.sh [ROOT] (default: the repository); exits 1 and lists every offending
# include when there is one.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
# A wrong root must not pass for a clean one.
if [[ ! -d $root/src ]]; then
  echo "check_layers.sh: $root/src is not a folder"
  exit 2
fi

# The layers from the bottom up; a folder's line lists what it may include besides itself.
declare -A allowed=(
  [base]=""
  [model]="base"
  [files]="base model"
  [stats]="base model files"
  [spatial]="base model files stats"
  [kinship]="base model files stats"
  [two_locus]="base model files stats"
  [permutation]="base model files stats"
  [assign]="base model files stats"
  [analysis]="base model files stats spatial kinship two_locus"
  [platform]="base"
  [ui]="base model files stats spatial kinship two_locus permutation assign analysis platform"
  [frontend]="base model files stats spatial kinship two_locus permutation assign analysis platform ui qt"
)

bad=0
check() {  # layer, file
  local layer=$1 file=$2 line target
  while IFS= read -r line; do
    target=${line#*\"}
    target=${target%%/*}
    [[ $line == *'"'*/*'"'* ]] || continue  # a file of the same folder
    if [[ $target != "$layer" && " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "$file: $layer may not include ${line#*#include }"
      bad=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
}

for layer in "${!allowed[@]}"; do
  if [[ $layer == frontend ]]; then dir="$root/frontend"; else dir="$root/src/$layer"; fi
  [[ -d $dir ]] || continue
  while IFS= read -r -d '' f; do check "$layer" "$f"; done < <(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

# A folder under src/ that no layer names would escape the check.
for dir in "$root"/src/*/; do
  name=$(basename "$dir")
  if [[ -z ${allowed[$name]+x} ]]; then
    echo "src/$name is in no layer: add it to scripts/check_layers.sh"
    bad=1
  fi
done
exit $bad
