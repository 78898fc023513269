#!/usr/bin/env bash
# The whole command without a terminal: the options fill the dialog, --yes
# confirms it, and the report printed on standard output is compared whole.
. "$(dirname "$0")/lib.sh"

export KESTRIN_PASSWORD=tiger
common=(--yes --alias= --user=scott --plan-table=plan_table --build=1 --drop=0
        --auto-disconnect=1)

# The statement in a C string over six lines, with a comment after each.
run_kestrin "${common[@]}" "$EXAMPLES/payroll.c" 11-16
expect_status 0 "payroll.c 11-16"
cp "$SCRATCH/out" "$SCRATCH/payroll.txt"
expect_same "$EXPECTED/payroll.txt" "$SCRATCH/payroll.txt" "payroll.c 11-16"
expect_in "$ERR" "Connecting to Oracle..." "payroll.c 11-16"
expect_in "$ERR" "Explaining the statement..." "payroll.c 11-16"
expect_no_reports_left "payroll.c 11-16"

# The same statement as a stream block: from the first quote on line 11 to
# the closing quote on line 16.
run_kestrin "${common[@]}" "$EXAMPLES/payroll.c" 11:5-16:27
expect_status 0 "payroll.c stream block"
cp "$SCRATCH/out" "$SCRATCH/stream.txt"
expect_same "$EXPECTED/payroll.txt" "$SCRATCH/stream.txt" "payroll.c 11:5-16:27"

# A column block over the six strings leaves the comments out of the block:
# the same statement, and each echoed line ends in one blank where the line
# block's ended in two (the one before the comment and the line's own).
run_kestrin "${common[@]}" --column "$EXAMPLES/payroll.c" 11:5-16:53
expect_status 0 "payroll.c column block"
cp "$SCRATCH/out" "$SCRATCH/column.txt"
expect_same "$EXPECTED/payroll-column.txt" "$SCRATCH/column.txt" "payroll.c --column 11:5-16:53"

# A plain SQL file, whole, from standard input; with CR LF line ends the
# report is the same.
for ends in lf crlf; do
  if [ "$ends" = crlf ]; then
    sed 's/$/\r/' "$EXAMPLES/grades.sql" >"$SCRATCH/grades.sql"
  else
    cp "$EXAMPLES/grades.sql" "$SCRATCH/grades.sql"
  fi
  run_kestrin "${common[@]}" - <"$SCRATCH/grades.sql"
  expect_status 0 "grades.sql ($ends)"
  cp "$SCRATCH/out" "$SCRATCH/grades.txt"
  expect_same "$EXPECTED/grades.txt" "$SCRATCH/grades.txt" "grades.sql ($ends)"
done
expect_no_reports_left "grades.sql"

finish
