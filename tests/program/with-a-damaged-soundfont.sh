#!/usr/bin/env bash
# The real program on a machine whose SoundFont is damaged: it names the file
# in one line, keeps the loaders' complaints off the terminal and runs on
# silently. The damage is a truncated copy put in place of the installed
# SoundFonts inside a private mount namespace, so the machine is untouched.
set -uo pipefail
installed=/usr/share/sounds/sf2/FluidR3_GM.sf2
expected="velmora20: the SoundFont $installed could not be read (damaged or truncated); playing silently"
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; echo "its standard error:"; cat "$errors"; exit 1; }

if [ "${1:-}" != --inside ]; then
    program=$1
    [ -f "$installed" ] || skip "no $installed to damage"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    head -c 1048576 "$installed" >"$work/damaged.sf2"
    for namespace in "unshare --mount" "unshare --mount --map-root-user"; do
        if $namespace true 2>/dev/null; then
            $namespace bash "$0" --inside "$program" "$work"
            exit $?
        fi
    done
    # In a chroot (as CI builds in) / is no mount point, so unshare cannot
    # make the mounts private. They may then stay as they are only where one
    # made inside does not show outside: a throwaway tmpfs on the same
    # filesystem tells.
    [ "$(stat -c %d "$work")" = "$(stat -c %d "$(dirname "$installed")")" ] \
        || skip "no private mount namespace can be made here"
    mkdir "$work/probe"
    unshare --mount --propagation unchanged \
        sh -c 'mount -t tmpfs tmpfs "$1" && touch "$1/inside"' sh "$work/probe" 2>/dev/null \
        || skip "no mount namespace can be made here"
    if [ -e "$work/probe/inside" ]; then
        umount "$work/probe"
        skip "mounts made in a namespace show outside here"
    fi
    unshare --mount --propagation unchanged bash "$0" --inside "$program" "$work"
    exit $?
fi

program=$2
work=$3
errors=$work/errors
# Every place a SoundFont is looked for is hidden; only the damaged copy and
# Debian's link to it remain.
for place in /usr/share/sounds /usr/share/soundfonts; do
    [ -d "$place" ] && mount -t tmpfs tmpfs "$place"
done
mkdir -p "$(dirname "$installed")"
cp "$work/damaged.sf2" "$installed"
ln -s FluidR3_GM.sf2 "$(dirname "$installed")/default-GM.sf2"

env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$program" >/dev/null 2>"$errors" &
pid=$!
for _ in $(seq 200); do
    grep -q SoundFont "$errors" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended instead of running on"
kill "$pid"
wait "$pid"

[ "$(grep -c SoundFont "$errors")" -eq 1 ] || fail "not exactly one line about the SoundFont"
grep -qxF "$expected" "$errors" || fail "the line is not: $expected"
! grep -qE 'CRITICAL|fluidsynth:' "$errors" || fail "the loaders' complaints reached the terminal"
echo "ok"
