#!/bin/sh
# Runs a command with DISPLAY set to a fresh Xvfb server of its own, so that
# tests needing a display run side by side and in CI, where there is none.
# The server picks a free display number itself (-displayfd), and -noreset
# keeps it up between the clients that the test starts one after another.
# SKYGLASS_XVFB_SCREEN sets the screen (1920x1200x24), SKYGLASS_XVFB_OPTIONS
# adds server options (such as "-extension GLX").
set -eu

fifo_dir=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$fifo_dir"' EXIT INT TERM
mkfifo "$fifo_dir/display"

# shellcheck disable=SC2086 # the options are words of their own
Xvfb -displayfd 3 -screen 0 "${SKYGLASS_XVFB_SCREEN:-1920x1200x24}" ${SKYGLASS_XVFB_OPTIONS:-} \
    -noreset -nolisten tcp \
    3>"$fifo_dir/display" >"$fifo_dir/xvfb.log" 2>&1 &
xvfb_pid=$!

read -r display_number <"$fifo_dir/display" || {
    echo "with-xvfb: Xvfb did not start" >&2
    cat "$fifo_dir/xvfb.log" >&2
    exit 1
}

DISPLAY=":$display_number"
export DISPLAY
"$@"
