#!/usr/bin/env bash
# Builds the Windows tree if needed and runs the benchmarks under Wine:
# bench_exports (empty controls, built-text storage, every constant,
# pass-through and arithmetic export against the empty export of its shape)
# and bench_routines (the text-building, rounding and search exports against
# msvcrt and libstdc++ on the same inputs). Prints tables; asserts nothing.
#
# The machine is shared, so figures move by a cycle or two from run to run;
# each program measures what it compares in the same run, interleaved.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LUMI_BENCH_BUILD:-$root/build/win32}
jobs=2  # the cores are shared

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target bench_exports bench_routines

# A warm wineserver for the prefix, left to exit by itself a minute after the
# last program, so a server that others are using is never stopped.
source "$root/scripts/wine-prefix.sh"
lumi_prefix_ready
wineserver -p60 2>/dev/null || true  # fails harmlessly if one is running

cd "$build/bench"  # the programs find both DLLs from their own directory
for program in bench_exports bench_routines; do
  echo
  echo "=== $program"
  "$root/scripts/wine-run" "$program.exe"
done
