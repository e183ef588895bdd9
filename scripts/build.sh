#!/usr/bin/env bash
# Configures and builds the 32-bit runtime, its tools, tests and examples in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$root/build}
jobs=${TESSERA_JOBS:-2}
echo "build: configuring in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${TESSERA_BUILD_TYPE:-RelWithDebInfo} \
  -DTESSERA_WERROR=${TESSERA_WERROR:-ON} "$@" >/dev/null
echo "build: compiling with $jobs jobs"
cmake --build "$build" -j "$jobs"
