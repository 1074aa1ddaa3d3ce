#!/usr/bin/env bash
# Installs what is missing, builds the debug preset and runs the whole test suite; the exit
# status is non-zero when a build step or a test fails.
#
# Usage: tools/test.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/setup.sh" debug
cd "$root"
ctest --preset debug
