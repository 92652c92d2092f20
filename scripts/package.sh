#!/usr/bin/env bash
# Builds the Debian package: a Release build of the two programs without the
# tests, then CPack. Prints the package's path as its last line.
#   BUILD_DIR   build folder (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# CPack's DEB generator finds the runtime dependencies with dpkg-shlibdeps
# (dpkg-dev), telling executables apart with file.
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends dpkg-dev file >/dev/null
BUILD_DIR=${BUILD_DIR:-build-package}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRAVIMO_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR"
# CPack names the package it wrote: "CPack: - package: <path> generated."
(cd "$BUILD_DIR" && cpack -G DEB) | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p'
