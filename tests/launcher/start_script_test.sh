#!/bin/sh
# The installed start script prepares the user's Skyglass folder on first use,
# starts the launcher there, and never overwrites what it finds later.
# Usage: start_script_test.sh <configured skyglass-gui-start>
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$tmp/prefix"
mkdir -p "$prefix/bin" "$prefix/share/skyglass/media"
cp "$1" "$prefix/bin/skyglass-gui-start"
printf '#!/bin/sh\npwd >"$TEST_REPORT"\n' >"$prefix/bin/skyglass-gui"
chmod +x "$prefix/bin/skyglass-gui-start" "$prefix/bin/skyglass-gui"
printf 'default' >"$prefix/share/skyglass/config.cfg"
data=$(cd "$prefix/share/skyglass" && pwd)
export TEST_REPORT="$tmp/report" HOME="$tmp/home"
unset XDG_DATA_HOME
user="$HOME/.local/share/skyglass"

"$prefix/bin/skyglass-gui-start"
[ "$(cat "$TEST_REPORT")" = "$user" ] || fail "launcher ran in $(cat "$TEST_REPORT")"
[ "$(cat "$user/config.cfg")" = default ] || fail "default config.cfg not copied"
[ "$(cat "$user/paths.ini")" = "$(printf '%s\r' "$data/media/sample-panorama.jpg")" ] ||
    fail "paths.ini does not name the sample"

printf 'mine' >"$user/config.cfg"
printf '/pics/pano.jpg\r\n' >"$user/paths.ini"
"$prefix/bin/skyglass-gui-start"
[ "$(cat "$user/config.cfg")" = mine ] || fail "config.cfg overwritten"
[ "$(cat "$user/paths.ini")" = "$(printf '/pics/pano.jpg\r')" ] || fail "paths.ini overwritten"
echo "start script: all checks passed"
