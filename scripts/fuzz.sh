#!/usr/bin/env bash
# Builds the fuzz targets (database, number formatting, Japanese converters,
# window layout and menu records, virtual volumes, rich text) with clang (libFuzzer,
# ASan, UBSan) in build-fuzz/ and runs each for a short while (FUZZ_SECONDS,
# default 60); FUZZ_TARGETS picks some.
# Crashes are left in build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${TESSERA_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ TESSERA_BUILD_DIR=$build TESSERA_BUILD_TYPE=RelWithDebInfo \
  bash "$root/scripts/build.sh" -DTESSERA_NATIVE_ENGINES=ON -DTESSERA_FUZZ=ON
mkdir -p "$build/artifacts"
status=0
for target in ${FUZZ_TARGETS:-sql_fuzz file_fuzz format_fuzz japanese_fuzz layout_record_fuzz menu_record_fuzz volume_fuzz rtf_fuzz}; do
  mkdir -p "$build/corpus/$target"
  echo "fuzz: running $target for $seconds s"
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
    "$build/corpus/$target" "$root/fuzz/corpus/$target" 2>&1 | tail -n 12 || status=1
done
exit $status
