# shellcheck shell=bash
# Sourced by the end-to-end runs: each step is announced on standard output, each failure is
# told on standard error and counted in `failures`, and the run goes on unless it dies.

failures=0

step() { echo "== $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
die() {
    fail "$*"
    exit 1
}
# check DESCRIPTION COMMAND ARGUMENTS...: one check of e2e_check.py (the caller sets `checker`
# and `scale`); a failure is counted and the run goes on. Regions are "X Y WIDTH HEIGHT" in
# points.
check() {
    local what=$1
    shift
    # shellcheck disable=SC2154 # checker and scale come from the caller
    python3 "$checker" --scale "$scale" "$@" || fail "$what"
}
