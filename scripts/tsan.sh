#!/usr/bin/env bash
# Builds the natively buildable thread code with ThreadSanitizer in
# build-tsan/ and runs its tests: the host layer's threads, waitable objects
# and critical sections. (The runtime itself is 32-bit, which ThreadSanitizer
# does not support; its thread tests run in the ordinary builds.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$root/build-tsan}
echo "tsan: configuring in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTESSERA_NATIVE_ENGINES=ON \
  -DTESSERA_TSAN=ON -DTESSERA_WERROR=${TESSERA_WERROR:-ON} "$@" >/dev/null
cmake --build "$build" -j "${TESSERA_JOBS:-2}" --target kernel_thread_tests
echo "tsan: running the thread tests"
cd "$build" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -R 'KernelThreads' --timeout 600
