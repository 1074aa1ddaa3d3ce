#!/usr/bin/env bash
# End-to-end run of the board through its accessibility tree, as a screen reader sees it: the
# real binary on its own Xvfb display, inside a private session bus (dbus-run-session) with a
# private accessibility bus, driven by a11y_check.py through pyatspi (Debian's python3).
#
# Usage: a11y_e2e.sh SOUNDBOARD_BINARY RESOURCES_DIR
#   E2E_KEEP=1 keeps the work folder after a passing run; after a failing run it is kept.
# Exit status: 0 when every check holds, 1 when one fails, 77 when a package it needs is
# missing (ctest reports the test as skipped; CI installs them through tools/setup.sh).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary=${1:-}
resources=${2:-}
if [[ -z $binary || -z $resources ]]; then
    echo "usage: $0 SOUNDBOARD_BINARY RESOURCES_DIR" >&2
    exit 2
fi
for tool in Xvfb xdotool import convert dbus-run-session gdbus /usr/libexec/at-spi-bus-launcher; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (packages: xvfb xdotool imagemagick dbus-bin" \
            "libglib2.0-bin at-spi2-core)"
        exit 77
    fi
done
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIP: pyatspi is not installed for /usr/bin/python3 (package python3-pyatspi)"
    exit 77
fi
[[ -x $binary ]] || {
    echo "FAIL: no program at $binary" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-a11y-XXXXXX")
xvfb_pid=
status=1
cleanup() {
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    if ((status != 0)) || [[ ${E2E_KEEP:-} == 1 ]]; then
        echo "The screenshots, logs and captured audio are in $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# shellcheck source=tools/virtual_display.sh
source "$here/../../tools/virtual_display.sh"
start_virtual_display "$work" || exit 1

# Everything of the session is private to this run: its runtime folder, settings and buses.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 \
    dbus-run-session -- /usr/bin/python3 "$here/a11y_check.py" \
    --binary "$binary" --resources "$resources" --work "$work" --checker "$here/e2e_check.py"
status=$?
exit "$status"
