#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Ocellus with warnings as errors and runs
# the whole test suite; then builds it again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the suite once more, and runs each fuzzer for a
# short fixed number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOCELLUS_WERROR=ON
cmake --build build-ci -j "$jobs"
ctest --test-dir build-ci --output-on-failure -j "$jobs"

if [ "${OCELLUS_SKIP_SANITIZERS:-0}" != "1" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOCELLUS_WERROR=ON -DOCELLUS_ASAN=ON
    cmake --build build-asan -j "$jobs"
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi

if [ "${OCELLUS_SKIP_FUZZ:-0}" != "1" ]; then
    bash scripts/fuzz.sh 2000
fi
