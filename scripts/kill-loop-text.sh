#!/usr/bin/env bash
# Kills a text-stream writer at random moments, again and again, then checks
# that every file it had closed before each kill is whole.
#
# Usage: scripts/kill-loop-text.sh [rounds]   (after a build into build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$root/build}
rounds=${1:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ((i = 1; i <= rounds; i++)); do
  "$build/run32" "$build/tests/files/kill_writer" "$work" &
  pid=$!
  # 50 to 800 ms, so kills land inside writes, closes and journal entries.
  sleep "0.$(printf '%03d' $((RANDOM % 750 + 50)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
echo "kill loop: $rounds kills"
"$build/run32" "$build/tests/files/kill_writer" "$work" --check
