#!/usr/bin/env bash
# Kills a virtual volume writer at random moments and checks after each kill
# that every file it had closed is intact (volume_killtest check). Usage:
#   scripts/volume-kill-loop.sh PROGRAM [COUNT] [MAX_MS]
# PROGRAM is the volume_killtest binary (run through $TESSERA_EMULATOR when
# set); COUNT kills (default 50), each after 5 to MAX_MS milliseconds
# (default 300). The volume carries over from kill to kill. On failure the
# volume and its log are kept and their folder printed.
set -euo pipefail
program=$1
count=${2:-50}
max_ms=${3:-300}
run() { ${TESSERA_EMULATOR:-} "$program" "$@"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/volume-kill.XXXXXX")
volume=$work/kill.vol
log=$work/kill.log
run init "$volume" "$log"
last=""
for ((i = 1; i <= count; i++)); do
  # Started directly, so that the id is the writer's own.
  ${TESSERA_EMULATOR:-} "$program" write "$volume" "$log" "$i" &
  writer=$!
  ms=$((RANDOM % (max_ms - 4) + 5))
  sleep "$(printf '%d.%03d' $((ms / 1000)) $((ms % 1000)))"
  if ! kill -KILL "$writer" 2>/dev/null; then
    wait "$writer" || true
    echo "volume-kill-loop: the writer ended by itself before kill $i (kept in $work)" >&2
    exit 1
  fi
  wait "$writer" 2>/dev/null || true
  if ! last=$(run check "$volume" "$log"); then
    echo "volume-kill-loop: check failed after kill $i of $count (kept in $work)" >&2
    exit 1
  fi
done
closed=$(grep -c '^closed ' "$log" || true)
echo "volume-kill-loop: $count kills, $closed files closed in all, volume $(stat -c %s "$volume") bytes"
echo "volume-kill-loop: after the last kill: $last"
rm -rf "$work"
