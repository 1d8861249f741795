#!/usr/bin/env bash
# score-events's usage: asked for, on standard output with exit status 0;
# after a mistake, the mistake and the synopsis on standard error with exit
# status 2, and nothing played.
set -uo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for ask in --help -h "bar1 --help"; do
    "$tool" $ask >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 0 ] || fail "$ask exited with $status, not 0"
    [ "$(head -n 1 "$work/out")" = "usage: score-events NAME..." ] || fail "$ask did not print the usage"
    grep -q '^  wait US ' "$work/out" || fail "$ask did not explain the lines"
    [ ! -s "$work/err" ] || fail "$ask wrote to standard error"
done

expect_mistake() {
    local line=$1
    shift
    "$tool" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    [ "$status" -eq 2 ] || fail "$* exited with $status, not 2"
    [ ! -s "$work/out" ] || fail "$* played something"
    [ "$(head -n 1 "$work/err")" = "score-events: $line" ] || fail "$* did not say: $line"
    [ "$(sed -n 2p "$work/err")" = "usage: score-events NAME..." ] || fail "$* did not give the synopsis"
}
expect_mistake "unknown option --bogus" --bogus
expect_mistake "give routine names, or --mode original|oneshot|looped"
expect_mistake "no routine bar143" bar143
expect_mistake "the looped mode runs until stopped: give --turns N" --mode looped
echo "ok"
