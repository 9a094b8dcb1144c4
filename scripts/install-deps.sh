#!/usr/bin/env bash
# Installs the Debian packages that a job needs and the machine lacks, or stops with the one command that
# would install them. Usage: scripts/install-deps.sh JOB...
#   example      build the program and play the example (CMake, a C++ compiler)
#   test         the whole test suite (adds GoogleTest, Qt 6 Widgets and Qt Test, the desktop-file validator)
#   bench        the benchmarks (Google Benchmark)
#   fuzz         the fuzzers (clang and its libFuzzer runtime)
#   screenshots  scripts/screenshots.sh (Qt 6, a virtual display)
# It installs through apt-get as root, or through sudo when sudo needs no password; otherwise it names the
# missing packages and exits 1 without touching anything.
# KIWORA_DEPS_ROOT (default: none) is put before every file path it looks for, so that its own test can
# show it a machine without them.
set -euo pipefail
root=${KIWORA_DEPS_ROOT:-}

if [ $# -eq 0 ]; then
  echo "usage: $0 example|test|bench|fuzz|screenshots..." >&2
  exit 2
fi

has_file() {  # patterns under the root; true when a file matches one
  local p f
  for p in "$@"; do
    for f in "$root"$p; do [ -e "$f" ] && return 0; done
  done
  return 1
}
has_command() { command -v "$1" > /dev/null 2>&1; }

# The major version of clang, of the one installed or else of the one apt-get would install.
clang_major() {
  local v=""
  if has_command clang++; then
    v=$(clang++ --version 2> /dev/null | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)
  elif has_command apt-cache; then
    v=$(apt-cache depends clang 2> /dev/null | sed -n 's/.*Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1)
  fi
  echo "${v:-14}"
}

# True when the clang there has its libFuzzer runtime (asked of clang, as it may be any version).
fuzzer_runtime() {
  local dir
  has_command clang++ || return 1
  dir=$(clang++ --print-runtime-dir 2> /dev/null) || return 1
  has_file "$dir/libclang_rt.fuzzer-$(uname -m).a" "$dir/libclang_rt.fuzzer.a"
}

missing=()
want() {  # package, present?
  local pkg=$1
  shift
  "$@" && return 0
  [[ " ${missing[*]:-} " == *" $pkg "* ]] || missing+=("$pkg")
}

check() {
  missing=()
  local job
  for job in "$@"; do
    case $job in
      example|test|bench|fuzz|screenshots)
        want cmake has_command cmake
        has_command c++ || has_command g++ || has_command clang++ || want g++ false ;;&
      test)
        want libgtest-dev has_file '/usr/include/gtest/gtest.h' '/usr/local/include/gtest/gtest.h' ;;&
      test|screenshots)
        want qt6-base-dev has_file '/usr/lib/*/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake'
        want qt6-base-dev has_file '/usr/lib/*/cmake/Qt6Test/Qt6TestConfig.cmake' ;;&
      test)
        want desktop-file-utils has_command desktop-file-validate ;;
      bench)
        want libbenchmark-dev has_file '/usr/include/benchmark/benchmark.h' '/usr/local/include/benchmark/benchmark.h' ;;
      fuzz)
        want clang has_command clang++
        want "libclang-rt-$(clang_major)-dev" fuzzer_runtime ;;
      screenshots)
        want xvfb has_command xvfb-run
        want xauth has_command xauth ;;
      example) ;;
      *) echo "install-deps.sh: unknown job '$job'" >&2; exit 2 ;;
    esac
  done
}

check "$@"
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" != 0 ]; then
  if has_command sudo && sudo -n true > /dev/null 2>&1; then
    sudo=(sudo)
  else
    sudo=(no)
  fi
fi
if [ "${sudo[*]:-}" = no ] || ! has_command apt-get; then
  [ "$(id -u)" = 0 ] && prefix="" || prefix="sudo "
  echo "Missing: ${missing[*]}. Install them with:" >&2
  echo "  ${prefix}apt-get install -y ${missing[*]}" >&2
  exit 1
fi

# Two rounds: the libFuzzer runtime is named after the clang that the first round may have brought.
for round in 1 2; do
  echo "Installing ${missing[*]}"
  [ "$round" = 1 ] && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  check "$@"
  [ ${#missing[@]} -eq 0 ] && exit 0
done
echo "Still missing after the installation: ${missing[*]}" >&2
exit 1
