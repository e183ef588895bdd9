#!/usr/bin/env bash
# Installs what is missing, builds the runtime and runs the bundled example
# application: an image appended to a copy of the runtime, loaded, linked and run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${TESSERA_BUILD_DIR:-$root/build}
echo "run: starting examples/hello (message boxes print to standard error when headless)"
exec "$build/run32" "$build/examples/hello/hello"
