#!/usr/bin/env bash
# The real program where the display it is given does not answer: an X
# display with no server, a Wayland socket that does not exist, or both. One
# line naming the display on standard error and exit status 1, before the
# audio device or the SoundFont is touched (in a session without sound that
# would add a line of its own), and never Qt's abort.
set -uo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
errors=$work/errors
fail() { echo "FAIL: $*"; echo "its standard error:"; cat "$errors"; exit 1; }

# An X display number with no server: no socket and no lock file.
x=59
while [ -e /tmp/.X11-unix/X$x ] || [ -e /tmp/.X$x-lock ]; do x=$((x + 1)); done
# A private runtime directory, so the Wayland socket surely is not there.
runtime=$work/runtime
mkdir -m 700 "$runtime"

# Runs the program with the variables given (and none else that picks a
# display), expecting exit status 1 and the one line.
expect_line() {
    local line=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$runtime" "$@" \
        timeout 20 "$program" >/dev/null 2>"$errors"
    local status=$?
    [ "$status" -eq 1 ] || fail "with $* it exited with $status, not 1"
    [ "$(wc -l <"$errors")" -eq 1 ] || fail "with $* it wrote more or less than one line"
    grep -qxF "$line" "$errors" || fail "with $* the line is not: $line"
}

expect_line "velmora20: cannot connect to the X display :$x" DISPLAY=:$x
expect_line "velmora20: cannot connect to the Wayland display velmora-absent" WAYLAND_DISPLAY=velmora-absent
expect_line "velmora20: cannot connect to the Wayland display $runtime/velmora-absent" \
    WAYLAND_DISPLAY="$runtime/velmora-absent"
# Qt would try the Wayland display first, then X.
expect_line "velmora20: cannot connect to the Wayland display velmora-absent or the X display :$x" \
    DISPLAY=:$x WAYLAND_DISPLAY=velmora-absent
expect_line "velmora20: cannot connect to the Wayland display velmora-absent or the X display :$x" \
    DISPLAY=:$x WAYLAND_DISPLAY=velmora-absent QT_QPA_PLATFORM="wayland;xcb"
expect_line "velmora20: cannot connect to the X display :$x" \
    DISPLAY=:$x WAYLAND_DISPLAY=velmora-absent QT_QPA_PLATFORM=xcb

# A list that ends in a platform without a display: Qt falls back to it.
env -u WAYLAND_DISPLAY DISPLAY=:$x QT_QPA_PLATFORM="xcb;offscreen" timeout 2 "$program" >/dev/null 2>"$errors"
status=$?
[ "$status" -eq 124 ] || fail "with QT_QPA_PLATFORM=xcb;offscreen it ended with $status instead of running until stopped"
echo "ok"
