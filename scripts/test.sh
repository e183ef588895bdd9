#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the 32-bit
# runtime in build/, then the layout-independent engines built natively in
# build-native/. Both test runs must pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${TESSERA_BUILD_DIR:-$root/build}
native=${TESSERA_NATIVE_BUILD_DIR:-$root/build-native}
TESSERA_BUILD_DIR=$native bash "$root/scripts/build.sh" -DTESSERA_NATIVE_ENGINES=ON
status=0
echo "test: running the test suite (32-bit)"
(cd "$build" && ctest --output-on-failure -j "${TESSERA_JOBS:-2}" --timeout 300) || status=1
echo "test: running the native engine tests"
(cd "$native" && ctest --output-on-failure -j "${TESSERA_JOBS:-2}" --timeout 300) || status=1
exit $status
