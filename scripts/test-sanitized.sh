#!/bin/sh
# Runs the image loading tests (valid and damaged files, recognition, the row
# protocol, colour profiles) and the metadata tests of partial panoramas under
# AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of their
# own, then gives the fuzz target of every format in the format table, the
# one that identifies first, the one that reads metadata and the one that
# reads colour profiles, a short bounded run.
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
# Leaks of libraries the project does not build.
suppressions="$root/tests/support/lsan-suppressions.txt"
export LSAN_OPTIONS="suppressions=$suppressions"

echo "== image loading tests under ASan and UBSan (build-asan)"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSKYGLASS_SANITIZE=ON >/dev/null
cmake --build "$root/build-asan" --target imageload_tests gpano_tests -j"$jobs"
for tests in imageload/imageload_tests gpano/gpano_tests; do
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$root/build-asan/tests/$tests" --gtest_brief=1
done

[ "$fuzz_seconds" -gt 0 ] || exit 0

# Limits per input, from the documented bounds on a file's cost (README,
# "Cost of a file"): 75 ms per megapixel and 20 ms per MB of file; 11 MiB
# per megapixel, the file itself and 116 MiB. Fuzzing builds keep pictures to
# 4 megapixels, and libFuzzer's inputs stay as small as the largest seed
# (under 1 MB). The sanitizers make decoding up
# to 20 times slower and triple its memory, and libFuzzer with ASan's
# quarantine of freed memory takes up to 768 MiB of its own.
picture_mp=4
input_mb=1
timeout_s=$(( ((75 * picture_mp + 20 * input_mb) * 20 + 999) / 1000 ))
rss_limit_mb=$(( 768 + 3 * (11 * picture_mp + input_mb + 116) ))

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
    "$fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" -timeout="$timeout_s" \
        -rss_limit_mb="$rss_limit_mb" \
        -print_final_stats=0 -artifact_prefix="$fuzz/findings/$target-" \
        "$fuzz/corpus/$target" "$fuzz/seeds/$target" 2>&1 | grep -E '^(Done|==|SUMMARY)' || true
    # libFuzzer stops at the first finding and leaves it in findings/.
    if ls "$fuzz/findings/$target-"* >/dev/null 2>&1; then
        echo "fuzz_$target found a failing input:" "$fuzz/findings/$target-"*
        exit 1
    fi
done
