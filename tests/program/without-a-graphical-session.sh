#!/usr/bin/env bash
# The real program outside a graphical session: one line on standard error and
# exit status 1, before it opens anything else. On Qt's offscreen platform it
# needs no display and keeps running.
set -uo pipefail
program=$1
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
fail() { echo "FAIL: $*"; echo "its standard error:"; cat "$errors"; exit 1; }

env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM "$program" >/dev/null 2>"$errors"
status=$?
[ "$status" -eq 1 ] || fail "without a display it exited with $status, not 1"
[ "$(wc -l <"$errors")" -eq 1 ] || fail "without a display it wrote more or less than one line"
grep -q '^velmora20: needs a graphical session' "$errors" || fail "the line does not say that it needs a graphical session"

env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 2 "$program" >/dev/null 2>"$errors"
status=$?
[ "$status" -eq 124 ] || fail "offscreen it ended with $status instead of running until stopped"
! grep -q 'graphical session' "$errors" || fail "offscreen it asked for a graphical session"
echo "ok"
