#!/usr/bin/env bash
# Installs the Debian packages that building, testing, running and packaging the board need
# (only those that are missing), then configures one CMake preset, debug (the default), release
# or asan, and builds it: everything, or only the given target.
#
# Usage: tools/setup.sh [preset [target]]
set -euo pipefail

# Build tools and libraries, the test and benchmark frameworks, the font that stands in for
# "Arial-BoldMT", and what the end-to-end tests and the run script use to drive a virtual
# display and take screenshots; the accessibility bridge's D-Bus library (sd-bus) and what its
# end-to-end test drives it with (a private session and accessibility bus, pyatspi); the sound
# servers the end-to-end runs play through (a private PipeWire or PulseAudio); and what
# makes and checks the Debian package and the desktop files (dpkg-shlibdeps reads the binary's
# type with `file`). The end-to-end runs on a phone's stack need the compositors phoc and mutter (with a D-Bus bus and PipeWire of their own),
# grim for screenshots, wtype for keys, python3-dbus for mutter's remote desktop interface, and
# the Wayland protocol files that tests/e2e/virtual_pointer.py reads (the core protocol comes
# with libwayland-dev, the wlroots virtual pointer with librust-wayland-protocols-dev).
packages=(
    build-essential cmake ninja-build pkg-config
    libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev
    libsndfile1-dev libsoxr-dev nlohmann-json3-dev
    fontconfig libfontconfig-dev fonts-liberation2
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xdotool imagemagick python3
    libsystemd-dev dbus dbus-bin libglib2.0-bin at-spi2-core python3-pyatspi
    pipewire pipewire-bin pipewire-pulse wireplumber pulseaudio pulseaudio-utils
    dpkg-dev file lintian desktop-file-utils appstream
    phoc mutter grim wtype dbus-daemon python3-dbus
    libwayland-dev librust-wayland-protocols-dev
)

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
preset=${1:-debug}
target=${2:-}

"$root/tools/install_packages.sh" setup "${packages[@]}"

# Presets are looked up in the source folder, so configure and build from there.
cd "$root"
cmake --preset "$preset"
cmake --build --preset "$preset" ${target:+--target "$target"}
