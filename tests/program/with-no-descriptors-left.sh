#!/usr/bin/env bash
# The real program where it has no pipe for the child process that asks the
# display whether it answers: its limit on open files leaves just room for
# the dynamic loader, and none for a pipe. (A process limit, which does not
# bind root, fails the fork after it the same way.) One line naming the
# display and what failed, and exit status 1, not an abort.
set -uo pipefail
program=$1
skip() { echo "SKIP: $*"; exit 77; }
# UndefinedBehaviorSanitizer checks an object's dynamic type (the error's,
# here) through a pipe of its own, which the limit denies it as well.
! ldd "$program" | grep -q libubsan || skip "built with UndefinedBehaviorSanitizer, which needs a pipe of its own"
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
fail() { echo "FAIL: $*"; echo "its standard error:"; cat "$errors"; exit 1; }

# An X display number with no server, should the pipe be made after all.
x=59
while [ -e /tmp/.X11-unix/X$x ] || [ -e /tmp/.X$x-lock ]; do x=$((x + 1)); done

# The lowest limit under which the program loads: the loader opens its
# libraries one at a time, a pipe takes two descriptors at once. Whatever
# descriptors this script inherited raise it.
for limit in $(seq 3 64); do
    (
        unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM
        ulimit -n "$limit" && DISPLAY=:$x exec "$program"
    ) >/dev/null 2>"$errors"
    status=$?
    [ "$status" -eq 127 ] || break
done
[ "$status" -eq 1 ] || fail "with at most $limit open files it exited with $status, not 1"
[ "$(wc -l <"$errors")" -eq 1 ] || fail "with at most $limit open files it wrote more or less than one line"
line="velmora20: cannot ask the X display :$x whether it answers: pipe2: Too many open files"
grep -qxF "$line" "$errors" || fail "with at most $limit open files the line is not: $line"
echo "ok"
