#!/usr/bin/env bash
# Installs the Debian 12 packages Dravimo builds, tests and runs with.
# clang and its runtime libraries: the sanitizer build and the fuzz targets.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  g++ cmake ninja-build pkg-config \
  qt6-base-dev qt6-serialport-dev libgl-dev \
  libgtest-dev \
  xvfb xauth fonts-dejavu-core iproute2 \
  clang libclang-rt-14-dev >/dev/null
