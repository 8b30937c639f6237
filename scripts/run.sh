#!/bin/sh
# Builds Skyglass and starts the launcher in the build folder, opened at the
# bundled sample panorama.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/build"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: Skyglass needs a desktop session (DISPLAY is not set)." >&2
    exit 1
fi

# The build writes the default config.cfg and the sample. On a first run the
# launcher is pointed at the sample; a path chosen since then is kept.
if [ ! -e paths.ini ] && [ -f media/sample-panorama.jpg ]; then
    printf '%s\r\n' "$root/build/media/sample-panorama.jpg" >paths.ini
fi

if [ -x ./skyglass-gui ]; then
    exec ./skyglass-gui
fi
echo "The launcher (skyglass-gui) is not built." >&2
exit 1
