#!/usr/bin/env bash
# An editor without a block: the module says so in one warning box, answered
# with its only button, and no report follows.
. "$(dirname "$0")/lib.sh"

expected='+================= Kestrin =================+
|                                           |
| Select the SQL statement as a block first |
|                                           |
+-------------------------------------------+
|                  [ OK ]                   |
+===========================================+
-> OK'

: >"$SCRATCH/empty.sql"
run_kestrin --yes "$SCRATCH/empty.sql"
expect_status 1 "an empty file"
[ "$ERR" = "$expected" ] || fail "an empty file: the box differs:
$ERR"
[ -z "$OUT" ] || fail "an empty file printed a report"

# The same from standard input, which is not a terminal: no --yes needed.
STATUS=0
printf '' | "$KESTRIN_BIN" - >"$SCRATCH/out" 2>"$SCRATCH/err" || STATUS=$?
ERR=$(cat "$SCRATCH/err")
expect_status 1 "empty standard input"
[ "$ERR" = "$expected" ] || fail "empty standard input: the box differs:
$ERR"

finish
