#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${TESSERA_BUILD_DIR:-$root/build}
echo "test: running the test suite"
cd "$build"
ctest --output-on-failure -j "${TESSERA_JOBS:-2}" --timeout 300
