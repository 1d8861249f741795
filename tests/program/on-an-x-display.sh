#!/usr/bin/env bash
# The real program on an X display of its own (Xvfb, no window manager),
# driven with xdotool, where the display goes away under it: its server
# killed while a performance plays, its connection killed by another client
# after a performance, its window destroyed by another client. And a server
# that is stopped when the program starts: one line and exit status 1 after
# a few seconds, not a wait for ever; one stopped only for a moment is waited
# for.
set -uo pipefail
program=$1
skip() { echo "SKIP: $*"; exit 77; }
for tool in Xvfb xdotool; do
    command -v $tool >/dev/null || skip "$tool is not installed (tools/install-deps installs it)"
done

work=$(mktemp -d)
runtime=$work/runtime
mkdir -m 700 "$runtime"
errors=$work/errors
server=
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    [ -n "$server" ] && kill -CONT "$server" 2>/dev/null && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "its standard error:"; cat "$errors"; exit 1; }

# A fresh server on a display number it picks among the free ones, taking
# connections once this returns: the server writes the number, then the
# line's end, after its sockets listen.
start_server() {
    [ -n "$server" ] && kill -CONT "$server" 2>/dev/null && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    # Emptied before the server starts: the shell that starts it opens the
    # file only once it runs, and until then a read here would find the last
    # server's number, which may be another display by now, or this one
    # before the new server listens on it.
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    server=$!
    local number=
    for _ in $(seq 100); do
        # Only a whole line: the number may have come without its end yet.
        read -r number <"$work/display" && break
        number=
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    [[ $number =~ ^[0-9]+$ ]] || skip "Xvfb cannot start here: $(tail -n 1 "$work/xvfb.log")"
    display=:$number
}

on_display() { env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE DISPLAY="$display" "$@"; }

# Starts the program and waits for its main window; sets pid and window.
start_program() {
    on_display XDG_RUNTIME_DIR="$runtime" "$program" >/dev/null 2>"$errors" &
    pid=$!
    window=
    for _ in $(seq 200); do
        window=$(on_display xdotool search --onlyvisible --pid "$pid" --name '^Velmora 20$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$window" ] || fail "its window did not show"
}

# Clicks a push button: start's middle lies 150 pixels above the bottom of
# the window's 300 by 300 content area, stop's 50.
click() {
    local height
    height=$(on_display xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')
    on_display xdotool mousemove --window "$window" 150 $((height - $1)) click 1
}
click_start() { click 150; }
click_stop() { click 50; }

# Waits up to 20 seconds for the program to end; sets status.
ended() {
    for _ in $(seq 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && return 1
    wait "$pid"
    status=$?
    pid=
}

# Exit status 1 with the program's line naming the lost display last (Qt's
# own line may come before it), not a crash.
expect_lost() {
    ended || fail "$1: it still runs"
    [ "$status" -eq 1 ] || fail "$1: it exited with $status, not 1"
    [ "$(tail -n 1 "$errors")" = "velmora20: lost the connection to the X display $display" ] ||
        fail "$1: the last line does not name the lost display"
    [ "$(grep -c '^velmora20: lost' "$errors")" -eq 1 ] || fail "$1: the line came more than once"
}

start_server
start_program
click_start
sleep 1
kill -9 "$server"
wait "$server" 2>/dev/null
server=
expect_lost "the server killed while it plays"

# Stopped, the performance brings its closing message over the window.
start_server
start_program
click_start
sleep 1
click_stop
for _ in $(seq 100); do
    [ "$(on_display xdotool search --onlyvisible --pid "$pid" --name '^Velmora 20$' | wc -l)" -eq 2 ] && break
    sleep 0.1
done
[ "$(on_display xdotool search --onlyvisible --pid "$pid" --name '^Velmora 20$' | wc -l)" -eq 2 ] ||
    fail "no closing message came after start and stop"
on_display xdotool windowkill "$window"
expect_lost "the connection killed after a performance"

start_server
start_program
click_start
sleep 1
on_display xdotool windowclose "$window"
ended || fail "it still runs after its window was destroyed"
[ "$status" -eq 0 ] || fail "after its window was destroyed it exited with $status, not 0"
! grep -v '^velmora20: ' "$errors" || fail "after its window was destroyed something besides the program spoke"

start_server
kill -STOP "$server"
on_display XDG_RUNTIME_DIR="$runtime" timeout 20 "$program" >/dev/null 2>"$errors"
status=$?
[ "$status" -eq 1 ] || fail "on a stopped server it exited with $status, not 1"
[ "$(cat "$errors")" = "velmora20: the X display $display does not answer (waited 3 seconds)" ] ||
    fail "on a stopped server it did not write the one line"

# Continued after a second: the window shows.
start_server
kill -STOP "$server"
( sleep 1 && kill -CONT "$server" ) &
start_program
echo "ok"
