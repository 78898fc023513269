#!/usr/bin/env bash
# The failures a user meets first: a wrong password, a table that does not
# exist. Each shows Oracle's error in one box, and no report follows.
. "$(dirname "$0")/lib.sh"

common=(--yes --user=scott --plan-table=plan_table --build=1 --drop=0 --auto-disconnect=1)

KESTRIN_PASSWORD=lion run_kestrin "${common[@]}" "$EXAMPLES/grades.sql"
expect_status 1 "wrong password"
expect_in "$ERR" "| Oracle error while connecting as scott" "wrong password"
expect_in "$ERR" "ORA-01017" "wrong password"
expect_not_in "$ERR" "Explaining the statement..." "wrong password"
[ -z "$OUT" ] || fail "wrong password printed a report"

printf 'select ename\n  from no_such_table\n where empno = 7839\n' >"$SCRATCH/unknown.sql"
KESTRIN_PASSWORD=tiger run_kestrin "${common[@]}" "$SCRATCH/unknown.sql"
expect_status 1 "unknown table"
expect_in "$ERR" "| Oracle error" "unknown table"
expect_in "$ERR" "ORA-00942" "unknown table"
[ -z "$OUT" ] || fail "unknown table printed a report"
expect_no_reports_left "unknown table"

# The dialog refusing its input comes back; with --yes it is cancelled.
KESTRIN_PASSWORD=tiger run_kestrin --yes --user="a b" "$EXAMPLES/grades.sql"
expect_status 1 "refused user"
expect_in "$ERR" "The user name must not be empty or contain blanks or apostrophes" "refused user"
expect_in "$ERR" "the dialog came back after its input was refused" "refused user"
expect_not_in "$ERR" "Connecting to Oracle..." "refused user"

finish
