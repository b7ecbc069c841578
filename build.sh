#!/usr/bin/env bash
# Builds the program alone (no test or benchmark program, GoogleTest not
# needed) and runs it on the example project; the results go to
# examples/example.res/. Installs a compiler and CMake when they are missing.
set -euo pipefail
cd "$(dirname "$0")"
. tools/build_env.sh

install_missing cmake:cmake g++:g++ make:make
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(build_jobs)" --target drovexec
cd examples
../build/release/drovexec example.drp example.drs
