#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing (with sudo when not run as
# root); installs nothing, and needs no network, when all of them are there.
#
# Usage: tools/install_packages.sh WHO PACKAGE...   (WHO prefixes the messages)
set -euo pipefail

who=$1
shift
missing=()
for package in "$@"; do
    status=$(dpkg-query --show --showformat='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done
((${#missing[@]} > 0)) || exit 0

as_root=()
if ((EUID != 0)); then
    if ! command -v sudo >/dev/null; then
        echo "$who: run as root or install sudo; missing packages: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "$who: installing ${missing[*]}"
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install --yes --no-install-recommends "${missing[@]}"
