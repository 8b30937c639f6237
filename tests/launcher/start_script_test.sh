#!/bin/sh
# What "cmake --install" puts in place for the desktop: both desktop entries
# are valid, and the viewer's offers only MIME types the system knows; the
# start script prepares the user's Skyglass folder on first use, starts the
# launcher or the viewer there (the viewer on the picture, its path made
# absolute), and never overwrites what it finds later.
# Usage: start_script_test.sh <cmake> <build folder>
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$tmp/prefix"
"$1" --install "$2" --prefix "$prefix" >/dev/null
apps="$prefix/share/applications"
for entry in skyglass-gui.desktop skyglass.desktop; do
    desktop-file-validate "$apps/$entry" || fail "$entry is not valid"
done
grep -q "^Exec=/.*/skyglass-start skyglass %f$" "$apps/skyglass.desktop" ||
    fail "the viewer's entry does not start it through the start script"
for type in $(sed -n 's/^MimeType=//p' "$apps/skyglass.desktop" | tr ';' ' '); do
    grep -qx "$type" /usr/share/mime/types || fail "$type is no MIME type of this system"
done

# Stand-ins for the programs report where they run and what they were given.
for program in skyglass skyglass-gui; do
    printf '#!/bin/sh\necho "$(pwd) $*" >"$TEST_REPORT"\n' >"$prefix/bin/$program"
done
data=$(cd "$prefix/share/skyglass" && pwd)
export TEST_REPORT="$tmp/report" HOME="$tmp/home"
unset XDG_DATA_HOME
user="$HOME/.local/share/skyglass"

"$prefix/bin/skyglass-start" skyglass-gui
[ "$(cat "$TEST_REPORT")" = "$user " ] || fail "launcher ran as $(cat "$TEST_REPORT")"
cmp -s "$user/config.cfg" "$data/config.cfg" || fail "default config.cfg not copied"
[ "$(cat "$user/paths.ini")" = "$(printf '%s\r' "$data/media/sample-panorama.jpg")" ] ||
    fail "paths.ini does not name the sample"
[ -e "$user/media/360.x" ] || fail "the media are not linked"

printf 'mine' >"$user/config.cfg"
printf '/pics/pano.jpg\r\n' >"$user/paths.ini"
(cd "$tmp" && "$prefix/bin/skyglass-start" skyglass "my pano.jpg")
[ "$(cat "$TEST_REPORT")" = "$user $tmp/my pano.jpg" ] ||
    fail "viewer ran as $(cat "$TEST_REPORT")"
"$prefix/bin/skyglass-start" skyglass /pics/pano.heic
[ "$(cat "$TEST_REPORT")" = "$user /pics/pano.heic" ] || fail "viewer ran as $(cat "$TEST_REPORT")"
[ "$(cat "$user/config.cfg")" = mine ] || fail "config.cfg overwritten"
[ "$(cat "$user/paths.ini")" = "$(printf '/pics/pano.jpg\r')" ] || fail "paths.ini overwritten"

if "$prefix/bin/skyglass-start" skyglass-bench 2>/dev/null; then
    fail "started a program that is none of Skyglass's"
fi
echo "installed entries and start script: all checks passed"
