#!/usr/bin/env bash
# Kills database writers and readers, and checks what they leave behind.
#
#   scripts/db-kill-loop.sh TESSDB [KILLS] [WORKDIR]
#
# Every round starts from the same committed file and runs a writer session
# of a few transactions (inserts with large values, updates, deletes, a
# compaction). The writer dies at its Nth write to its files (injected
# through the engine's stream layer: TESSDB_KILL_AT_WRITE, half of the
# write reaching the file every other round), N sweeping over every write
# of the session, or at a random moment (kill -9). A reader then opens the
# file (which recovers it), dying at its first or second write, or at a
# random moment. After that the file must open, `.check` must say ok, and
# its rows must be exactly those after the last transaction the writer
# reported committed, or after the next one (when the kill came between
# the commit and its report). Prints the figures; exit status 1 on the
# first round that breaks.
set -euo pipefail
tessdb=${1:?usage: db-kill-loop.sh TESSDB [KILLS] [WORKDIR]}
kills=${2:-100}
work=${3:-$(mktemp -d)}
tessdb=$(cd "$(dirname "$tessdb")" && pwd)/$(basename "$tessdb")
mkdir -p "$work"
cd "$work"
transactions=6
RANDOM=42

big() {  # a large value that names its row
  printf "%s" "$1"
  head -c "$2" /dev/zero | tr '\0' "$3"
}

# The writer session: transaction k inserts 25 rows (every fifth with a
# 5000-byte value), updates the rows of k-1, deletes half of those of k-2;
# the fourth compacts the file after its commit. After each commit the
# session prints its number, which is how the harness knows it committed.
session() {
  local k i id
  for ((k = 1; k <= transactions; k++)); do
    for ((i = 0; i < 25; i++)); do
      id=$((k * 100 + i))
      if ((i % 5 == 0)); then
        echo "insert into t (id, k, v) values ($id, $k, '$(big "$id:" 5000 b)')"
      else
        echo "insert into t (id, k, v) values ($id, $k, 'row $id')"
      fi
    done
    echo "update t set v = '$(big "u$k:" 4500 u)' where k = $((k - 1)) and id < $(((k - 1) * 100 + 8))"
    echo "update t set v = 'again' where k = $((k - 1)) and id > $(((k - 1) * 100 + 20))"
    echo "delete from t where k = $((k - 2)) and id > $(((k - 2) * 100 + 12))"
    echo "commit"
    if ((k == 4)); then echo ".vacuum"; fi
    echo "select count(*) from t where k = $k"
  done
}
session >session.sql
# The reference states: the rows after 0, 1, ... transactions.
rm -f base.db base.db-journal
{
  echo "create table t (id integer, k integer, v long varchar, primary key (id))"
  for ((i = 0; i < 40; i++)); do echo "insert into t (id, k, v) values ($i, 0, 'base $i')"; done
  echo "commit"
} | "$tessdb" base.db >/dev/null
for ((k = 0; k <= transactions; k++)); do
  cp base.db ref.db
  awk -v k="$k" '/^commit$/ { n++ } !/^select/ && (n < k || (n == k && /^commit$/))' \
    session.sql | "$tessdb" ref.db >/dev/null
  "$tessdb" ref.db -c "select * from t" >"ref.$k"
done

at_write=0 random_writer=0 reader_kills=0 journals=0 finished=0 sweep=1 round=0
fail() {
  echo "db-kill-loop: round $round ($1)"
  cp f.db failed.db 2>/dev/null || true
  exit 1
}
killed=0
while ((killed < kills)); do
  round=$((round + 1))
  cp base.db f.db
  rm -f f.db-journal
  rc=0
  if ((round % 4 == 0)); then
    # A random moment within the session's first 200 ms.
    "$tessdb" f.db <session.sql >out.txt 2>&1 &
    pid=$!
    sleep "$(printf '0.%03d' $((RANDOM % 200)))"
    kill -9 "$pid" 2>/dev/null && random_writer=$((random_writer + 1)) && killed=$((killed + 1))
    { wait "$pid"; } 2>/dev/null || true
  else
    TESSDB_KILL_AT_WRITE=$sweep TESSDB_KILL_TEAR=$((round % 2)) "$tessdb" f.db \
      <session.sql >out.txt 2>&1 || rc=$?
    if ((rc == 137)); then
      at_write=$((at_write + 1))
      killed=$((killed + 1))
      sweep=$((sweep + 1))
    elif ((rc == 0)); then
      finished=$((finished + 1))
      sweep=1  # past the last write: sweep again
    else
      fail "writer failed with status $rc: $(tail -1 out.txt)"
    fi
  fi
  committed=$(grep -c '^count' out.txt || true)
  [[ -e f.db-journal ]] && journals=$((journals + 1))
  # A reader that dies too, while it recovers the file or reads it.
  if ((round % 3 == 0)); then
    "$tessdb" f.db -c "select * from t where v like '%u%'" >/dev/null 2>&1 &
    pid=$!
    sleep "$(printf '0.%03d' $((RANDOM % 20)))"
    kill -9 "$pid" 2>/dev/null && reader_kills=$((reader_kills + 1)) && killed=$((killed + 1))
    { wait "$pid"; } 2>/dev/null || true
  else
    rc=0
    TESSDB_KILL_AT_WRITE=$((1 + round % 2)) "$tessdb" f.db -c "select count(*) from t" \
      >/dev/null 2>&1 || rc=$?
    ((rc == 137)) && reader_kills=$((reader_kills + 1)) && killed=$((killed + 1))
  fi
  check=$("$tessdb" f.db -c ".check" 2>&1) || fail "check failed: $check"
  [[ "$check" == ok ]] || fail "check: $check"
  "$tessdb" f.db -c "select * from t" >now.txt 2>&1 || fail "select failed: $(cat now.txt)"
  if ! cmp -s now.txt "ref.$committed" &&
    ! { ((committed < transactions)) && cmp -s now.txt "ref.$((committed + 1))"; }; then
    fail "rows after $committed commits are neither those nor the next transaction's"
  fi
  [[ -e f.db-journal ]] && fail "the journal outlived a clean open"
done
echo "db-kill-loop: $killed kills in $round rounds: $at_write writers at their Nth write" \
  "(the sweep covering every write), $random_writer writers and $reader_kills readers" \
  "at random moments or while recovering; $journals kills left a journal," \
  "$finished sessions finished; every file opened, checked ok and held exactly its" \
  "committed rows"
