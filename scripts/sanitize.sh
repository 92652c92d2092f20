#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (the fuzz targets too: one build folder serves
# both, see scripts/fuzz.sh) and runs the whole suite under ctest. Any
# sanitizer finding stops the program that made it and fails its test; the
# leak suppressions for Qt and fontconfig are in tests/sanitizers/lsan.supp.
#   BUILD_DIR   build folder (default: build-san)
#   WERROR=ON   treat compiler warnings as errors (CI)
#   SAN_CTEST_ARGS  more ctest arguments (CI leaves out the kill sweeps that
#               only repeat the ordinary build's: see .ci/run)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-san}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DDRAVIMO_FUZZ=ON -DDRAVIMO_WERROR="${WERROR:-OFF}" "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR"
(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 600 -j2 ${SAN_CTEST_ARGS:-})
