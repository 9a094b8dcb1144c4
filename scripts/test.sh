#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs what the suite needs first, when it may (see scripts/install-deps.sh);
# the configuration fails rather than leave out the unit tests or the desktop tests. KIWORA_JOBS sets the
# number of build and test jobs (default: the number of cores). The last line says what passed, or which
# build failed and at which step.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/jobs.sh
scripts/install-deps.sh test bench || { echo "test.sh: what the suite needs is not installed (above)"; exit 1; }

required=(-DKIWORA_REQUIRE_TESTS=ON -DKIWORA_REQUIRE_DESKTOP=ON)

# A build folder, its name in the verdict, and its configuration; stops the script at the first failing step.
build_and_test() {
  local dir=$1 name=$2
  shift 2
  cmake -S . -B "$dir" "$@" || { echo "test.sh: the $name build could not be configured (above)"; exit 1; }
  cmake --build "$dir" -j"$jobs" || { echo "test.sh: the $name build did not compile (above)"; exit 1; }
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" | tee "$dir/test.sh-ctest.log" ||
    { echo "test.sh: tests failed in the $name build (listed above)"; exit 1; }
}
count() { ctest --test-dir "$1" -N | sed -n 's/^Total Tests: //p'; }
skipped() { grep -c '\*\*\*Skipped' "$1/test.sh-ctest.log" || true; }

build_and_test build normal -DCMAKE_BUILD_TYPE=RelWithDebInfo "${required[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_and_test build-asan ASan+UBSan -DCMAKE_BUILD_TYPE=Debug -DKIWORA_SANITIZE=ON -DKIWORA_BENCH=OFF "${required[@]}"

normal=$(count build)
sanitized=$(count build-asan)
# A test that cannot measure under a build skips itself; the verdict says so rather than count it passed.
except=""
for build in "build normal" "build-asan ASan+UBSan"; do
  read -r dir name <<< "$build"
  n=$(skipped "$dir")
  if [[ $n -gt 0 ]]; then except+="${except:+, }$n skipped in the $name build"; fi
done
except=${except:+, except $except (listed above)}
if [[ $normal == "$sanitized" ]]; then
  echo "test.sh: all $normal tests passed in both builds (normal, ASan+UBSan)$except"
else
  echo "test.sh: all tests passed in both builds: $normal in the normal build, $sanitized in the ASan+UBSan build$except"
fi
