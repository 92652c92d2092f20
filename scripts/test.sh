#!/usr/bin/env bash
# Installs what the build needs, builds Dravimo, the simulator and the tests,
# runs the whole suite under ctest, then every test program whole with its
# tests shuffled.
#   BUILD_DIR   build folder (default: build)
#   WERROR=1    treat compiler warnings as errors (CI)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRAVIMO_WERROR="${WERROR:-OFF}" >/dev/null
cmake --build "$BUILD_DIR"
(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 300 -j2)
BUILD_DIR="$BUILD_DIR" ./scripts/shuffle.sh
