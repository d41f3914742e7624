#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds Ocellus once with warnings as errors and runs
# the whole test suite (no sanitizers, no fuzzers: scripts/test-sanitizers.sh does those).
# Prints how long the build and the suite took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
SECONDS=0

cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOCELLUS_WERROR=ON
cmake --build build-ci -j "$jobs"
built=$SECONDS
ctest --test-dir build-ci --output-on-failure -j "$jobs"
echo "== build ${built} s, suite $((SECONDS - built)) s"
