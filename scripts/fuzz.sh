#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each over its seed corpus.
#   scripts/fuzz.sh            each harness for 10 minutes
#   scripts/fuzz.sh 2000       each harness for 2000 inputs (what CI does)
#   scripts/fuzz.sh 300s       each harness for 300 seconds
set -euo pipefail
cd "$(dirname "$0")/.."
amount="${1:-600s}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DOCELLUS_FUZZ=ON -DOCELLUS_BUILD_TESTS=OFF > /dev/null
cmake --build build-fuzz
case "$amount" in
    *s) limit=(-max_total_time="${amount%s}") ;;
    *) limit=(-runs="$amount") ;;
esac
for fragment in fuzz/*.cmake; do
    name=$(basename "$fragment" .cmake)
    binary=$(find build-fuzz -type f -name "$name" -perm -u+x | head -n 1)
    [ -n "$binary" ] || { echo "fuzzer $name was not built" >&2; exit 1; }
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    echo "== $name (${amount})"
    "$binary" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$work" 2>&1 | tail -n 3
    rm -rf "$work"
done
