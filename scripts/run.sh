#!/bin/sh
# Builds Skyglass and starts it on the bundled sample panorama.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/build"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: Skyglass needs a desktop session (DISPLAY is not set)." >&2
    exit 1
fi

if [ -x ./skyglass-gui ]; then
    exec ./skyglass-gui
elif [ -x ./skyglass ]; then
    exec ./skyglass media/sample-panorama.jpg
fi
echo "Neither the viewer (skyglass) nor the launcher (skyglass-gui) is built yet." >&2
exit 1
