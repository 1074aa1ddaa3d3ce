#!/usr/bin/env bash
# Installs the Debian packages that building, testing, running and packaging the board need
# (only those that are missing), then configures one CMake preset, debug (the default), release
# or asan, and builds it: everything, or only the given target.
#
# Usage: tools/setup.sh [preset [target]]
set -euo pipefail

# Build tools and libraries, the test and benchmark frameworks, the font that stands in for
# "Arial-BoldMT", and what the end-to-end tests and the run script use to drive a virtual
# display, take screenshots and play through real sound servers (tools/sound_server.sh); and
# what makes and checks the Debian package and the desktop files (dpkg-shlibdeps reads the
# binary's type with `file`).
packages=(
    build-essential cmake ninja-build pkg-config
    libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev
    libsndfile1-dev nlohmann-json3-dev
    fontconfig libfontconfig-dev fonts-liberation2
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xdotool imagemagick python3
    pipewire pipewire-bin pipewire-pulse wireplumber pulseaudio pulseaudio-utils dbus
    dpkg-dev file lintian desktop-file-utils appstream
)

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
preset=${1:-debug}
target=${2:-}

"$root/tools/install_packages.sh" setup "${packages[@]}"

# Presets are looked up in the source folder, so configure and build from there.
cd "$root"
cmake --preset "$preset"
cmake --build --preset "$preset" ${target:+--target "$target"}
