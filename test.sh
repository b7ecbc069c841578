#!/usr/bin/env bash
# Builds and runs every test twice: a release build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build. Installs first what
# the tests need and a fresh Debian or Ubuntu machine lacks.
set -euo pipefail
cd "$(dirname "$0")"
. tools/build_env.sh
jobs=$(build_jobs)

install_missing cmake:cmake g++:g++ make:make /usr/include/gtest/gtest.h:libgtest-dev \
  /usr/include/gmock/gmock.h:libgmock-dev /usr/include/benchmark/benchmark.h:libbenchmark-dev
# Optional: the result-browser test opens the browser pages in headless Chromium,
# the translator's external checks read GenePop and Phylip files with Biopython, and the
# XML result files are checked with xmllint; each is skipped where its package cannot be
# installed.
install_missing chromium:chromium /usr/lib/python3/dist-packages/Bio:python3-biopython \
  /usr/bin/xmllint:libxml2-utils \
  || echo "chromium, python3-biopython or libxml2-utils could not be installed:" \
       "the tests that need them will be skipped"

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
