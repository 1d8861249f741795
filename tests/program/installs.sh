#!/usr/bin/env bash
# `cmake --install` into a staging directory: the program and its desktop
# entry, and nothing else (no libraries, tools or benchmarks). The entry
# starts the installed program by name and passes desktop-file-validate,
# where that is installed.
set -uo pipefail
cmake=$1
build=$2
work=$(mktemp -d)
stage=$work/stage
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR=$stage "$cmake" --install "$build" --prefix /usr >"$work/log" 2>&1 || fail "cmake --install failed: $(cat "$work/log")"
installed=$(cd "$stage" && find . -type f -o -type l | sort | tr '\n' ' ')
[ "$installed" = "./usr/bin/velmora20 ./usr/share/applications/velmora20.desktop " ] ||
    fail "installed: $installed"
[ -x "$stage/usr/bin/velmora20" ] || fail "the program is not executable"
entry=$stage/usr/share/applications/velmora20.desktop
grep -qx 'Exec=velmora20' "$entry" || fail "the entry does not start velmora20"
# The installed program is the program: without a display it says so.
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM "$stage/usr/bin/velmora20" 2>"$work/errors"
[ $? -eq 1 ] && grep -q '^velmora20: needs a graphical session' "$work/errors" ||
    fail "the installed program does not start as the program: $(cat "$work/errors")"

command -v desktop-file-validate >/dev/null ||
    { echo "SKIP: installed; desktop-file-validate is not installed to check the entry"; exit 77; }
# It exits with 0 on errors it will make fatal only later.
verdict=$(desktop-file-validate "$entry" 2>&1)
[ $? -eq 0 ] && ! grep -qE 'error|warning' <<<"$verdict" || fail "desktop-file-validate: $verdict"
echo "ok"
