#!/usr/bin/env bash
# Builds the Debian package: build/release/hrx900_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHRX900_TESTS=OFF -DHRX900_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
cpack --config build/release/CPackConfig.cmake -G DEB -B build/release
ls build/release/hrx900_*.deb
