#!/bin/sh
# Checks the installed start script: on first use it prepares the user's own
# Skyglass folder and starts the launcher there; later it keeps what is there.
# Usage: start_script_test.sh <configured skyglass-gui-start>
set -eu

script=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail()
{
    echo "FAIL: $*" >&2
    exit 1
}

# An installed tree: the script and a stand-in launcher that reports where it runs.
prefix="$tmp/prefix"
mkdir -p "$prefix/bin" "$prefix/share/skyglass/media"
cp "$script" "$prefix/bin/skyglass-gui-start"
cat >"$prefix/bin/skyglass-gui" <<'LAUNCHER'
#!/bin/sh
pwd >"$TEST_REPORT"
LAUNCHER
chmod +x "$prefix/bin/skyglass-gui-start" "$prefix/bin/skyglass-gui"
printf 'default' >"$prefix/share/skyglass/config.cfg"
: >"$prefix/share/skyglass/media/sample-panorama.jpg"
data=$(cd "$prefix/share/skyglass" && pwd)

export TEST_REPORT="$tmp/report"
export HOME="$tmp/home"
unset XDG_DATA_HOME
user="$HOME/.local/share/skyglass"

"$prefix/bin/skyglass-gui-start"
[ "$(cat "$TEST_REPORT")" = "$user" ] || fail "launcher ran in $(cat "$TEST_REPORT"), not $user"
[ "$(cat "$user/config.cfg")" = default ] || fail "default config.cfg not copied"
[ "$(cat "$user/paths.ini")" = "$(printf '%s\r' "$data/media/sample-panorama.jpg")" ] ||
    fail "paths.ini does not name the sample: $(cat "$user/paths.ini")"
[ -e "$user/media/sample-panorama.jpg" ] || fail "media folder not reachable"

# The user's own choices are never overwritten.
printf 'mine' >"$user/config.cfg"
printf '/pics/pano.jpg\r\n' >"$user/paths.ini"
"$prefix/bin/skyglass-gui-start"
[ "$(cat "$user/config.cfg")" = mine ] || fail "config.cfg overwritten"
[ "$(cat "$user/paths.ini")" = "$(printf '/pics/pano.jpg\r')" ] || fail "paths.ini overwritten"

# XDG_DATA_HOME moves the folder.
XDG_DATA_HOME="$tmp/xdg" "$prefix/bin/skyglass-gui-start"
[ "$(cat "$TEST_REPORT")" = "$tmp/xdg/skyglass" ] || fail "XDG_DATA_HOME not honoured"

echo "start script: all checks passed"
