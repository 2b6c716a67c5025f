#!/usr/bin/env bash
# Builds and starts the program. Installs what a fresh Debian 12 machine lacks.
#   tools/run.sh                          against the simulated radio
#   tools/run.sh --device /dev/ttyUSB0    against the radio on that port
# Any other options are passed to hrx900 as they stand.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target hrx900
program=build/normal/src/app/hrx900
for arg in "$@"; do
  case "$arg" in
    --device|--device=*|--simulate|--help|-h|--version|-v) exec "$program" "$@" ;;
  esac
done
exec "$program" --simulate "$@"
