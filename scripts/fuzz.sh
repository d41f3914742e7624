#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer harnesses (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each over its seed corpus.
#   scripts/fuzz.sh            each harness for 10 minutes
#   scripts/fuzz.sh 2000       each harness for 2000 inputs (what CI does)
#   scripts/fuzz.sh 300s       each harness for 300 seconds
# Runs of a given time take inputs of up to 1 MiB, and also read the seeds in
# fuzz/corpus/<harness>-large/ (camera-sized pictures), which the short runs leave out.
set -euo pipefail
cd "$(dirname "$0")/.."
amount="${1:-600s}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DOCELLUS_FUZZ=ON -DOCELLUS_BUILD_TESTS=OFF > /dev/null
cmake --build build-fuzz
case "$amount" in
    *s) limit=(-max_total_time="${amount%s}" -max_len=1048576); long=1 ;;
    *) limit=(-runs="$amount"); long=0 ;;
esac
for fragment in fuzz/*.cmake; do
    name=$(basename "$fragment" .cmake)
    binary=$(find build-fuzz -type f -name "$name" -perm -u+x | head -n 1)
    [ -n "$binary" ] || { echo "fuzzer $name was not built" >&2; exit 1; }
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    large=()
    if [ "$long" = 1 ] && [ -d "fuzz/corpus/$name-large" ]; then
        large=("fuzz/corpus/$name-large")
    fi
    echo "== $name (${amount})"
    "$binary" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$work" "${large[@]}" 2>&1 | tail -n 3
    rm -rf "$work"
done
