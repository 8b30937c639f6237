#!/bin/sh
# Builds Skyglass and runs every test. Tests that need a display start an
# Xvfb server of their own, so none is needed here.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"

# Further test builds (the sanitizer and fuzzing build) run first, so that the
# main suite's summary closes the output.
for extra in "$root"/scripts/test-*.sh; do
    [ -e "$extra" ] || continue
    "$extra"
done

cd "$root/build"
ctest --output-on-failure -j"$(nproc)"
