#!/usr/bin/env bash
# Checks the users' package made by the 32-bit build's `package` target: one
# plugin folder Kestrin\ holding the 32-bit kestrin.dll, every language file
# and the install readme, and nothing else.
set -euo pipefail
build=${1:-build/win32}
shopt -s nullglob
zips=("$build"/Kestrin-*-win32.zip)
if ((${#zips[@]} != 1)); then
  echo "check-package: expected one Kestrin-*-win32.zip in $build, found ${#zips[@]}" >&2
  exit 1
fi
zip=${zips[0]}
here=$(cd "$(dirname "$0")/../.." && pwd)

expected=$( (echo Kestrin/kestrin.dll Kestrin/ReadMe.txt
             for f in "$here"/lang/*.lng; do echo "Kestrin/$(basename "$f")"; done) | tr ' ' '\n' | sort)
actual=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
if [ "$actual" != "$expected" ]; then
  echo "check-package: $zip holds:" >&2
  echo "$actual" >&2
  echo "expected:" >&2
  echo "$expected" >&2
  exit 1
fi

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
if ! i686-w64-mingw32-objdump -f "$unpacked/Kestrin/kestrin.dll" | grep -q 'file format pei-i386'; then
  echo "check-package: the packaged kestrin.dll is not a 32-bit Windows DLL" >&2
  exit 1
fi
"$here/tests/wine/check-dll.sh" "$unpacked/Kestrin/kestrin.dll" i686 >/dev/null
for f in "$here"/lang/*.lng; do
  cmp -s "$f" "$unpacked/Kestrin/$(basename "$f")" || {
    echo "check-package: $(basename "$f") differs from lang/" >&2
    exit 1
  }
done
grep -q 'OCIW32.dll' "$unpacked/Kestrin/ReadMe.txt" || {
  echo "check-package: the readme does not name the Oracle client requirement" >&2
  exit 1
}
echo "check-package: $(basename "$zip") holds Kestrin\\ with the 32-bit kestrin.dll, the language files and the readme"
