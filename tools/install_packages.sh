#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing (with sudo when not run as
# root); installs nothing, and needs no network, when all of them are there, and nothing at all
# when installing them would remove a package.
#
# Usage: tools/install_packages.sh WHO PACKAGE...   (WHO prefixes the messages)
set -euo pipefail

who=$1
shift
# A package is there when it is installed for the architecture asked for (PACKAGE:ARCH), or
# else for this machine's own or for all; a library installed for arm64 as well is listed twice.
native=$(dpkg --print-architecture)
missing=()
for package in "$@"; do
    wanted="$native|all"
    [[ $package != *:* ]] || wanted=${package#*:}
    status=$(dpkg-query --show --showformat='${db:Status-Status} ${Architecture}\n' "$package" \
        2>/dev/null || true)
    grep -qxE "installed ($wanted)" <<<"$status" || missing+=("$package")
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
# Installing must never take a package away (an amd64 library for its arm64 twin, say): the
# install is simulated first and refused if it would remove anything.
removals=$(apt-get --simulate install --no-install-recommends "${missing[@]}" | grep '^Remv' || true)
if [[ -n $removals ]]; then
    echo "$who: installing ${missing[*]} would remove packages; nothing installed:" >&2
    echo "$removals" >&2
    exit 1
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install --yes --no-install-recommends "${missing[@]}"
