#!/usr/bin/env bash
# The plugin from a terminal, against the demo database: installs what is
# missing, builds the console host (release preset) and explains the SQL
# statement in the C string of examples/payroll.c (lines 11 to 16). The
# report shows in $PAGER (default less) on a terminal, and is printed
# otherwise.
#
#   scripts/demo.sh                 the dialog confirmed for you (user scott)
#   scripts/demo.sh --interactive   the dialog on the terminal: type the
#                                   password, tiger, and press Enter
# Any further arguments go to kestrin (see kestrin --help).
#
# The demo database is a simulation of an Oracle server, not Oracle.
set -euo pipefail
cd "$(dirname "$0")/.."

interactive=0
if [ "${1-}" = "--interactive" ] || [ "${1-}" = "-i" ]; then
  interactive=1
  shift
fi

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build/release -j"$(nproc)" --target kestrin >/dev/null

# The demo keeps its settings apart from the user's own.
export KESTRIN_REGISTRY="${KESTRIN_REGISTRY:-$PWD/build/release/demo-registry.reg}"
kestrin=(build/release/console/kestrin --user=scott --alias= --plan-table=plan_table
         --build=1 --drop=0 --auto-disconnect=1)

if [ "$interactive" -eq 1 ]; then
  echo "The demo database's user is scott, the password tiger."
  exec "${kestrin[@]}" "$@" examples/payroll.c 11-16
fi
export KESTRIN_PASSWORD="${KESTRIN_PASSWORD-tiger}"
exec "${kestrin[@]}" --yes "$@" examples/payroll.c 11-16
