#!/usr/bin/env bash
# Installs the Debian 12 packages Dravimo builds, tests and runs with.
# qt6-websockets-dev only so that CMake finds Qt's HTTP server module: the
# Debian package needs it and does not pull it in.
# clang and its runtime libraries: the sanitizer build and the fuzz targets.
# python3-prometheus-client and chromium: the metrics read by Prometheus's own
# parser and the status page opened in a real browser (tests and the
# README's picture).
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  g++ cmake ninja-build pkg-config \
  qt6-base-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev libgl-dev \
  libgtest-dev \
  xvfb xauth fonts-dejavu-core iproute2 \
  clang libclang-rt-14-dev \
  python3-prometheus-client chromium >/dev/null
