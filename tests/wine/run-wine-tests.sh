#!/usr/bin/env bash
# The Windows module's end-to-end scenarios under Wine, twice:
#   - the 64-bit build of the same sources under wine64 (fast; proves the
#     Win32 layer), and
#   - the 32-bit kestrin.dll itself, the product, under 32-bit Wine, which
#     this machine runs through qemu-i386 (proves calling conventions, export
#     names and record offsets).
# Each pass copies the test host, kestrin.dll, the simulated server built as
# OCIW32.dll, a client library lacking a call (swapped in by one scenario)
# and the language file into one folder, runs the host once in a
# fresh WINEPREFIX (all scenarios in that one Wine process, since a Wine
# start is slow), and removes the prefix afterwards.
#
# A 32-bit pass that cannot run here (no wine32, no emulation, not root) is
# reported as skipped, never as passed; with KESTRIN_REQUIRE_WINE32=1 a skip
# is a failure. Exit status: non-zero when a pass that ran failed.
set -euo pipefail
cd "$(dirname "$0")/../.."

export WINEDEBUG=-all
# No Mono or Gecko installer prompts while a prefix is made, and no desktop
# menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

jobs=${KESTRIN_JOBS:-2}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrin-wine.XXXXXX")
current_prefix=""

stop_wineserver() {
  [ -n "$current_prefix" ] || return 0
  WINEPREFIX=$current_prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$current_prefix timeout 60 wineserver -w >/dev/null 2>&1 || true
  current_prefix=""
}

cleanup() {
  stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT

build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j"$jobs" --target kestrin-wine-host >/dev/null
}

# run_pass NAME PRESET WINEARCH LOADER: prints the host's lines and the
# pass's time; returns the host's exit status.
run_pass() {
  local name=$1 preset=$2 arch=$3 loader=$4
  local folder=$work/$name prefix=$work/$name-prefix
  mkdir -p "$folder"
  cp "build/$preset/tests/wine/kestrin-wine-host.exe" "build/$preset/module/kestrin.dll" \
    "build/$preset/oracle-sim/OCIW32.dll" "build/$preset/tests/wine/OCIW32-incomplete.dll" \
    lang/kestrin_eng.lng "$folder/"

  current_prefix=$prefix
  local start rc=0
  start=$(date +%s)
  # A Wine that hangs under the emulation must not hold up the run forever.
  WINEPREFIX=$prefix WINEARCH=$arch timeout --kill-after=30 "${KESTRIN_WINE_TIMEOUT:-1200}" \
    "$loader" "$folder/kestrin-wine-host.exe" 2>&1 |
    tee "$work/$name.log" || rc=${PIPESTATUS[0]}
  stop_wineserver
  rm -rf "$prefix"
  echo "-- $name pass: $(($(date +%s) - start)) s (fresh prefix included), host exit status $rc"
  # A host that never printed its closing line did not run at all: Wine
  # itself could not start it (for instance a 32-bit Wine that cannot load
  # its own system DLLs under the emulation).
  if ! grep -Eq '^[0-9]+ passed, [0-9]+ failed' "$work/$name.log"; then
    return 100
  fi
  return "$rc"
}

failed=0
summary=()

echo "-- building the Windows test host, module and simulated server (win64, win32)"
build win64
build win32

echo "== Wine, 64-bit pass (wine64)"
if [ ! -x /usr/lib/wine/wine64 ]; then
  echo "wine64 is not installed: run scripts/setup.sh" >&2
  exit 1
fi
if run_pass wine64 win64 win64 /usr/lib/wine/wine64; then
  summary+=("64-bit pass: passed")
else
  summary+=("64-bit pass: FAILED")
  failed=1
fi

echo "== Wine, 32-bit pass (wine32 under qemu-i386)"
if reason=$(tests/wine/i386-emulation.sh); then
  rc=0
  run_pass wine32 win32 win32 /usr/lib/wine/wine || rc=$?
  if [ "$rc" -eq 0 ]; then
    summary+=("32-bit pass: passed")
  elif [ "$rc" -eq 100 ]; then
    echo "32-bit pass SKIPPED, not run: the 32-bit Wine could not start the test host"
    summary+=("32-bit pass: SKIPPED (not run): the 32-bit Wine could not start the test host")
    if [ "${KESTRIN_REQUIRE_WINE32:-0}" = 1 ]; then
      failed=1
    fi
  else
    summary+=("32-bit pass: FAILED")
    failed=1
  fi
else
  echo "32-bit pass SKIPPED, not run: $reason"
  summary+=("32-bit pass: SKIPPED (not run): $reason")
  if [ "${KESTRIN_REQUIRE_WINE32:-0}" = 1 ]; then
    failed=1
  fi
fi

echo "== Wine summary"
printf '   %s\n' "${summary[@]}"
exit "$failed"
