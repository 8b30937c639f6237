#!/bin/sh
# Runs the image loading tests (valid and damaged files, recognition, the row
# protocol) under AddressSanitizer and UndefinedBehaviorSanitizer in a build
# folder of their own, then gives the fuzz target of every format in the
# format table, and the one that identifies first, a short bounded run.
#
#   FUZZ_SECONDS  seconds per fuzz target (default 20; 0 skips fuzzing)
#
# A longer fuzz run, for instance an hour per target:
#   FUZZ_SECONDS=3600 scripts/test-sanitized.sh
# New findings are written to build-fuzz/findings/ and the grown corpus is
# kept in build-fuzz/corpus/ for the next run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-20}

echo "== image loading tests under ASan and UBSan (build-asan)"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSKYGLASS_SANITIZE=ON >/dev/null
cmake --build "$root/build-asan" --target imageload_tests -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$root/build-asan/tests/imageload/imageload_tests" --gtest_brief=1

[ "$fuzz_seconds" -gt 0 ] || exit 0

echo "== fuzz targets, $fuzz_seconds s each (build-fuzz)"
fuzz="$root/build-fuzz"
cmake -S "$root" -B "$fuzz" -DSKYGLASS_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$fuzz" -j"$jobs"
rm -rf "$fuzz/seeds"
"$fuzz/make_fuzz_seeds" "$fuzz/seeds"
mkdir -p "$fuzz/findings"
# One target per row of the format table, and "any"; CMake writes the list.
for target in $(cat "$fuzz/fuzz-targets.txt"); do
    mkdir -p "$fuzz/corpus/$target" "$fuzz/seeds/$target"
    echo "-- fuzz_$target"
    "$fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 -artifact_prefix="$fuzz/findings/$target-" \
        "$fuzz/corpus/$target" "$fuzz/seeds/$target" 2>&1 | grep -E '^(Done|==|SUMMARY)' || true
    # libFuzzer stops at the first finding and leaves it in findings/.
    if ls "$fuzz/findings/$target-"* >/dev/null 2>&1; then
        echo "fuzz_$target found a failing input:" "$fuzz/findings/$target-"*
        exit 1
    fi
done
