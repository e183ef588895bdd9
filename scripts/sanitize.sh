#!/usr/bin/env bash
# Builds the native engines with AddressSanitizer and UBSan in build-sanitize/
# and runs their tests there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${TESSERA_BUILD_DIR:-$root/build-sanitize}
TESSERA_BUILD_DIR=$build TESSERA_BUILD_TYPE=Debug bash "$root/scripts/build.sh" \
  -DTESSERA_NATIVE_ENGINES=ON -DTESSERA_SANITIZE=ON
echo "sanitize: running the native engine tests"
cd "$build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "${TESSERA_JOBS:-2}" --timeout 600
