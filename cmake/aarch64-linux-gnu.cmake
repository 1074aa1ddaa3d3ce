# Cross-builds for 64-bit ARM Linux (arm64: the PinePhone, the Librem 5, most postmarketOS
# devices) on a Debian machine with crossbuild-essential-arm64 and the arm64 (multiarch)
# development packages of the libraries: tools/cross_arm64.sh installs them and uses this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Libraries, headers and CMake packages of arm64 only; programs (pkg-config, the test
# scripts' tools) are the build machine's own.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for arm64")
# The test programs run under user-mode emulation, both when CTest lists their tests and when
# it runs them; the arm64 libraries come from the multiarch folders.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
# CPack would otherwise name the build machine's architecture in the package.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
