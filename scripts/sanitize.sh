#!/usr/bin/env bash
# Builds with AddressSanitizer and UBSan and runs the tests: the native
# engines in build-sanitize/, and the 32-bit runtime in build-sanitize32/
# where the host runs 32-bit programs itself (the sanitizers do not run
# under the emulator).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${TESSERA_BUILD_DIR:-$root/build-sanitize}
TESSERA_BUILD_DIR=$build TESSERA_BUILD_TYPE=Debug bash "$root/scripts/build.sh" \
  -DTESSERA_NATIVE_ENGINES=ON -DTESSERA_SANITIZE=ON
echo "sanitize: running the native engine tests"
(cd "$build" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "${TESSERA_JOBS:-2}" --timeout 600)

build32=${TESSERA_BUILD32_DIR:-$root/build-sanitize32}
TESSERA_BUILD_DIR=$build32 TESSERA_BUILD_TYPE=Debug bash "$root/scripts/build.sh" \
  -DTESSERA_SANITIZE=ON
if grep -q '^TESSERA_EMULATOR:' "$build32/CMakeCache.txt" 2>/dev/null ||
   [ -n "$(sed -n 's/^emulator="\(.*\)"$/\1/p' "$build32/run32")" ]; then
  echo "sanitize: this host runs 32-bit programs only under an emulator; skipping the 32-bit run"
  exit 0
fi
echo "sanitize: running the 32-bit test suite"
# Leak checking stays off for the runtime: the image, classes and framework
# objects live for the whole process by design.
cd "$build32" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "${TESSERA_JOBS:-2}" --timeout 600
