#!/usr/bin/env bash
# The real program in a Wayland session, on weston's headless backend with a
# private runtime directory: with DISPLAY unset its window is mapped (the
# compositor puts the surface titled "Velmora 20" on its output, as the
# client's protocol log shows); with DISPLAY set as well it still runs on
# Wayland, without a word from Qt; where Qt's platform plugin does not start
# on a compositor that answers, and where the compositor is stopped, one
# line and exit status 1.
set -uo pipefail
program=$1
skip() { echo "SKIP: $*"; exit 77; }
command -v weston >/dev/null || skip "weston is not installed (tools/install-deps installs it)"

work=$(mktemp -d)
runtime=$work/runtime
mkdir -m 700 "$runtime"
log=$work/log
socket=velmora-test
compositor=
cleanup() {
    [ -n "$compositor" ] && kill -CONT "$compositor" 2>/dev/null && kill "$compositor" 2>/dev/null &&
        wait "$compositor" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "its standard error:"; grep -v '^\[' "$log"; exit 1; }

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=$socket --idle-time=0 --no-config \
    >"$work/weston.log" 2>&1 &
compositor=$!
for _ in $(seq 100); do
    [ -S "$runtime/$socket" ] && break
    kill -0 "$compositor" 2>/dev/null || break
    sleep 0.1
done
[ -S "$runtime/$socket" ] || skip "weston cannot start here: $(tail -n 1 "$work/weston.log")"

# Whether the protocol log shows the compositor entering the surface of the
# toplevel titled "Velmora 20" on an output: the window is mapped and shown.
mapped() {
    awk '
        function first(text, kind) { return match(text, kind "@[0-9]+") ? substr(text, RSTART, RLENGTH) : "" }
        / -> xdg_wm_base@[0-9]+\.get_xdg_surface\(/ { of[first($0, "xdg_surface")] = first($0, "wl_surface") }
        / -> xdg_surface@[0-9]+\.get_toplevel\(/ { of[first($0, "xdg_toplevel")] = first($0, "xdg_surface") }
        / -> xdg_toplevel@[0-9]+\.set_title\("Velmora 20"\)/ { surface = of[of[first($0, "xdg_toplevel")]] }
        surface != "" && !/ -> / && index($0, "] " surface ".enter(wl_output@") { found = 1; exit }
        END { exit !found }' "$log"
}

# Runs the program in the session with the variables given until its window
# is mapped; checks that only the program's own lines (about sound) come
# besides the protocol log.
expect_window() {
    env -u DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=$socket \
        WAYLAND_DEBUG=client "$@" "$program" >/dev/null 2>"$log" &
    local pid=$!
    for _ in $(seq 300); do
        mapped && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null || fail "with $* it ended instead of running"
    kill "$pid"
    wait "$pid"
    mapped || fail "with $* no window titled Velmora 20 was mapped"
    ! grep -v '^\[' "$log" | grep -v '^velmora20: ' || fail "with $* something besides the program spoke"
}

expect_window
# X is announced too (here, one with no server, which Qt does not try).
expect_window DISPLAY=:59

# The compositor answers, but the platform named is not there.
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland-velmora-absent \
    timeout 20 "$program" >/dev/null 2>"$log"
status=$?
[ "$status" -eq 1 ] || fail "where Qt's platform does not start it exited with $status, not 1"
[ "$(tail -n 1 "$log")" = "velmora20: cannot show a window on the Wayland display $socket: Qt's platform plugin did not start there" ] ||
    fail "where Qt's platform does not start the last line does not name the display"
! grep -q Reinstall "$log" || fail "Qt's advice to reinstall was shown"

# A compositor that takes the connection but does not answer (stopped, hung):
# Qt would wait on it for ever, not fall back to the next platform listed.
kill -STOP "$compositor"
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM="wayland;offscreen" \
    timeout 20 "$program" >/dev/null 2>"$log"
status=$?
kill -CONT "$compositor"
[ "$status" -eq 1 ] || fail "on a stopped compositor it exited with $status, not 1"
[ "$(cat "$log")" = "velmora20: the Wayland display $socket does not answer (waited 3 seconds)" ] ||
    fail "on a stopped compositor it did not write the one line"
echo "ok"
