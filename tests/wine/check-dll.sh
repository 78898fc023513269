#!/usr/bin/env bash
# Checks a built kestrin.dll: it exports exactly the four entry points,
# undecorated, and imports nothing but system DLLs (its runtimes are linked in;
# the Oracle client library is bound at run time, never imported).
set -euo pipefail
dll=$1
arch=$2
objdump=$arch-w64-mingw32-objdump

exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^\t\[/{print $NF; next} on{on=0}' | sort | tr '\n' ' ')
expected="ExitFAR GetPluginInfo OpenPlugin SetStartupInfo "
if [ "$exports" != "$expected" ]; then
  echo "check-dll: $dll exports [$exports], expected [$expected]" >&2
  exit 1
fi

allowed='^(KERNEL32|ADVAPI32|USER32|msvcrt|ntdll)\.dll$'
while read -r name; do
  if ! [[ "$name" =~ $allowed ]]; then
    echo "check-dll: $dll imports $name, which is not a system DLL" >&2
    exit 1
  fi
done < <("$objdump" -p "$dll" | awk '/DLL Name:/{print $3}')

echo "check-dll: $dll ($arch) exports the four entry points and imports only system DLLs"
