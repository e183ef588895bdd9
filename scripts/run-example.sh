#!/usr/bin/env bash
# Installs what is missing, builds the runtime and runs the bundled example
# applications: images appended to a copy of the runtime, loaded, linked and
# run. hello greets through a message box; tally counts words with a
# Dictionary, sorts them and formats their shares.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${TESSERA_BUILD_DIR:-$root/build}
echo "run: starting examples/hello (message boxes print to standard error when headless)"
"$build/run32" "$build/examples/hello/hello"
echo "run: starting examples/tally"
exec "$build/run32" "$build/examples/tally/tally"
