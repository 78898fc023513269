#!/usr/bin/env bash
# The whole test run, from a fresh machine: installs what is missing, builds
# the native module and tests (debug, under AddressSanitizer and
# UndefinedBehaviorSanitizer), runs them, builds both Windows DLLs and checks
# them, packages the 32-bit plugin, runs the Windows module's scenarios
# under Wine (64-bit, and 32-bit where the emulation can be set up), and
# gives each fuzz target a short run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)

echo "== native debug build and tests"
cmake --preset debug >/dev/null
cmake --build build/debug -j"$jobs"
ctest --test-dir build/debug --output-on-failure -j"$jobs"

echo "== Windows builds"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j"$jobs"
done
tests/wine/check-dll.sh build/win32/module/kestrin.dll i686
tests/wine/check-dll.sh build/win64/module/kestrin.dll x86_64

echo "== package"
cmake --build build/win32 --target package
tests/wine/check-package.sh build/win32

if [ -x tests/wine/run-wine-tests.sh ]; then
  echo "== Wine tests"
  tests/wine/run-wine-tests.sh
fi

if ls fuzz/*/CMakeLists.txt >/dev/null 2>&1; then
  echo "== fuzz targets, short runs"
  cmake --preset fuzz >/dev/null
  cmake --build build/fuzz -j"$jobs"
  for target in build/fuzz/fuzz/*/fuzz_*; do
    [ -x "$target" ] || continue
    echo "-- $(basename "$target")"
    "$target" -max_total_time=20 -print_final_stats=0 2>&1 | tail -n 2
  done
fi

echo "== all tests passed"
