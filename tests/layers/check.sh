#!/usr/bin/env bash
# The layers' header folders at work: a probe in the bottom layer that includes its own layer's
# header builds, and one that includes a higher layer's header fails for want of that header.
#
# Usage: check.sh BUILD_FOLDER
set -uo pipefail
build=$1
if ! cmake --build "$build" --target layer_probe_same >/dev/null 2>&1; then
    echo "FAIL: a probe including its own layer's header does not build"
    exit 1
fi
output=$(cmake --build "$build" --target layer_probe_upward 2>&1)
if [[ $output != *"platform/ui/View.h: No such file or directory"* ]]; then
    echo "FAIL: an include of a higher layer's header was not refused:"
    echo "$output" | tail -5
    exit 1
fi
echo "the upward include is refused"
