#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The slower checks that CI runs after scripts/test.sh: the whole suite again in a build
# with AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzer for a short fixed
# number of inputs. OCELLUS_SKIP_SANITIZERS=1 or OCELLUS_SKIP_FUZZ=1 leaves a part out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

if [ "${OCELLUS_SKIP_SANITIZERS:-0}" != "1" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOCELLUS_WERROR=ON -DOCELLUS_ASAN=ON
    cmake --build build-asan -j "$jobs"
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi

if [ "${OCELLUS_SKIP_FUZZ:-0}" != "1" ]; then
    bash scripts/fuzz.sh 2000
fi
