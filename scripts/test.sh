#!/bin/sh
# Builds Skyglass and runs every test. Tests that need a display start an
# Xvfb server of their own, so none is needed here.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)")

# Further test builds (for instance one with sanitizers) hook in here.
for extra in "$root"/scripts/test-*.sh; do
    [ -e "$extra" ] || continue
    "$extra"
done
