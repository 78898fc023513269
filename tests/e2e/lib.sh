# Shared by the end-to-end tests: each runs the real `kestrin` program (path
# in KESTRIN_BIN) against the demo database, in a scratch directory of its
# own with its own settings file and report directory.
set -euo pipefail

: "${KESTRIN_BIN:?the kestrin program to test}"
: "${KESTRIN_SOURCE:?the source tree}"
EXAMPLES="$KESTRIN_SOURCE/examples"
EXPECTED="$KESTRIN_SOURCE/tests/e2e/expected"

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/kestrin-e2e.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -m 700 "$SCRATCH/tmp"
export TMPDIR="$SCRATCH/tmp"
export KESTRIN_REGISTRY="$SCRATCH/registry.reg"
export LC_ALL=C
unset KESTRIN_OCI_LIBRARY KESTRIN_PASSWORD PAGER LESS NO_COLOR

failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs kestrin with the arguments given; standard input from /dev/null unless
# the caller redirects it. Leaves OUT, ERR and STATUS.
run_kestrin() {
  STATUS=0
  "$KESTRIN_BIN" "$@" >"$SCRATCH/out" 2>"$SCRATCH/err" || STATUS=$?
  OUT=$(cat "$SCRATCH/out")
  ERR=$(cat "$SCRATCH/err")
}

expect_status() {
  [ "$STATUS" -eq "$1" ] || fail "$2: exit status $STATUS, expected $1; standard error:
$ERR"
}

# expect_in TEXT NEEDLE WHAT
expect_in() {
  case "$1" in
    *"$2"*) ;;
    *) fail "$3: '$2' not found in:
$1" ;;
  esac
}

expect_not_in() {
  case "$1" in
    *"$2"*) fail "$3: '$2' found in:
$1" ;;
    *) ;;
  esac
}

# expect_same FILE-EXPECTED FILE-ACTUAL WHAT
expect_same() {
  if ! diff -u "$1" "$2" >"$SCRATCH/diff"; then
    fail "$3: differs from $(basename "$1"):
$(cat "$SCRATCH/diff")"
  fi
}

# No report file may stay behind once the viewer has shown it.
expect_no_reports_left() {
  local left
  left=$(find "$TMPDIR" -type f 2>/dev/null | wc -l)
  [ "$left" -eq 0 ] || fail "$1: $left report file(s) left in $TMPDIR"
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
