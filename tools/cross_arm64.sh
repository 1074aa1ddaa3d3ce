#!/usr/bin/env bash
# Builds the Debian package for arm64 (the phones most Linux phone systems run on) on an amd64
# Debian 12 machine, and runs the arm64 build's unit test programs under user-mode emulation:
#   1. adds arm64 as a foreign architecture of dpkg and installs the cross compilers, qemu's
#      user-mode emulator and the arm64 development packages of the libraries (an install that
#      would remove any package is refused);
#   2. cross-builds the `arm64` preset (the package preset's release build with its hardening
#      flags, plus the unit tests) with cmake/aarch64-linux-gnu.cmake;
#   3. makes build/arm64/soundboard_<version>_arm64.deb with CPack, whose dependencies
#      dpkg-shlibdeps reads from the arm64 libraries, and checks it with lintian (no error);
#   4. runs every unit test of the arm64 build under qemu-aarch64 (the end-to-end runs stay on
#      the build machine's own build).
# Prints how long the build and the emulated tests took and the package's size.
#
# Usage: tools/cross_arm64.sh
# Exit status: 0 when the package is made, lintian finds no error and every test passes.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
as_root=()
((EUID == 0)) || as_root=(sudo)

# Build tools of the build machine, then the arm64 libraries the board links and the test
# frameworks its unit tests link.
packages=(
    crossbuild-essential-arm64 qemu-user-static cmake ninja-build pkg-config
    nlohmann-json3-dev dpkg-dev file lintian
    libsdl2-dev:arm64 libsdl2-image-dev:arm64 libsdl2-ttf-dev:arm64
    libsndfile1-dev:arm64 libsoxr-dev:arm64 libsystemd-dev:arm64 libfontconfig-dev:arm64
    libgtest-dev:arm64 libgmock-dev:arm64
)

if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    echo "cross_arm64: adding arm64 as a foreign architecture"
    "${as_root[@]}" dpkg --add-architecture arm64
fi
"$root/tools/install_packages.sh" cross_arm64 "${packages[@]}"

cd "$root"
started=$SECONDS
cmake --preset arm64
cmake --build --preset arm64
build_seconds=$((SECONDS - started))

rm -f build/arm64/soundboard_*_arm64.deb
cpack --preset arm64
debs=(build/arm64/soundboard_*_arm64.deb)
[[ -f ${debs[0]} ]] || {
    echo "cross_arm64: cpack made no arm64 package" >&2
    exit 1
}
dpkg-deb --field "${debs[0]}" Package Version Architecture Depends
dpkg-deb --fsys-tarfile "${debs[0]}" | tar -xO ./usr/bin/soundboard | file - | grep -q 'ARM aarch64' || {
    echo "cross_arm64: the package's program is not an arm64 program" >&2
    exit 1
}
lintian --tag-display-limit 0 "${debs[0]}" | tee build/arm64/lintian.txt || true
if grep -q '^E:' build/arm64/lintian.txt; then
    echo "cross_arm64: lintian reports errors (above)" >&2
    exit 1
fi

started=$SECONDS
ctest --preset arm64
test_seconds=$((SECONDS - started))

echo "cross_arm64: built in ${build_seconds} s, unit tests under qemu in ${test_seconds} s;" \
    "${debs[0]} is $(stat -c %s "${debs[0]}") bytes"
