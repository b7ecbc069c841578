#!/usr/bin/env bash
# Builds and runs every test twice: a release build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_build build/release -DCMAKE_BUILD_TYPE=Release
# ctest runs every test in a process of its own; each program must also pass
# as one process, where a test meets the global state that earlier ones left.
for program in build/release/tests/test_*; do
  [[ -f $program && -x $program ]] || continue
  (cd build/release/tests && "./${program##*/}" --gtest_brief=1)
done
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build build/asan -DCMAKE_BUILD_TYPE=Debug -DDROV_SANITIZE=ON -DDROV_BENCH=OFF
echo "All tests passed in both builds."
