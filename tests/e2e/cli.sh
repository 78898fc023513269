#!/usr/bin/env bash
# The command line: help, and the mistakes kestrin refuses before it loads
# the module.
. "$(dirname "$0")/lib.sh"

run_kestrin --help
expect_status 0 "--help"
expect_in "$OUT" "Usage: kestrin [OPTION]... FILE [BLOCK]" "--help"
expect_in "$OUT" "12:5-16:40" "--help"

while IFS='|' read -r args reason; do
  # shellcheck disable=SC2086
  run_kestrin $args
  expect_status 2 "kestrin $args"
  expect_in "$ERR" "$reason" "kestrin $args"
  [ -z "$OUT" ] || fail "kestrin $args printed a report"
done <<CASES
|no file named
--password=tiger $EXAMPLES/grades.sql|never taken from the command line
--frobnicate $EXAMPLES/grades.sql|unknown option --frobnicate
--drop=2 $EXAMPLES/grades.sql|--drop takes 0 or 1
$SCRATCH/missing.sql|cannot read $SCRATCH/missing.sql
$EXAMPLES/grades.sql 6-9|the block reaches line 9, but the file has 7 lines
$EXAMPLES/grades.sql 5:1-4:3|ends before it starts
--column $EXAMPLES/grades.sql 3-4|a column block needs columns
--module=$SCRATCH/none.so $EXAMPLES/grades.sql|cannot load the plugin module $SCRATCH/none.so
--lang=$SCRATCH/none.lng $EXAMPLES/grades.sql|cannot read the language file $SCRATCH/none.lng
CASES

finish
