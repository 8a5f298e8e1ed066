#!/usr/bin/env bash
# Builds the Windows tree if needed and runs the benchmarks under Wine:
# bench_exports (empty controls, built-text storage, every constant and
# pass-through export against the empty export of its shape, every
# arithmetic export against the hand-written floor of the same work) and
# bench_routines (the text-building, rounding, extremes and search exports
# against msvcrt and libstdc++ on the same inputs, and against the routines
# linked in). Prints tables, then one table of every target and, last,
# "targets met: N/M". It is a benchmark: it asserts nothing.
#
# The machine may be shared, so figures move by a cycle or two from run to
# run; each program measures what it compares in the same run, interleaved.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LUMI_BENCH_BUILD:-$root/build/win32}
jobs=2  # the cores are shared

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target bench_exports bench_routines bench_trace

# A warm wineserver for the prefix, left to exit by itself a minute after the
# last program, so a server that others are using is never stopped.
source "$root/scripts/wine-prefix.sh"
lumi_prefix_ready
wineserver -p60 2>/dev/null || true  # fails harmlessly if one is running

cd "$build/bench"  # the programs find both DLLs from their own directory
targets=targets.tsv  # one line per target, appended by both programs
rm -f "$targets"
failed=()
for program in bench_exports bench_routines bench_trace; do
  echo
  echo "=== $program"
  "$root/scripts/wine-run" "$program.exe" --targets "$targets" || failed+=("$program")
done

echo
echo "=== targets ($(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'))"
printf '%-52s %9s %9s %10s %9s %7s\n' target subject reference measured limit met?
printf '%.0s-' {1..101}; echo
# what, subject ns, reference ns, ratio|excess, value, limit, met
awk -F'\t' '{
  if ($4 == "ratio") { measured = sprintf("%.3fx", $5); limit = sprintf("<=%.2fx", $6) }
  else               { measured = sprintf("%+.2f ns", $5); limit = sprintf("<=%.2f ns", $6) }
  printf "%-52s %9.2f %9.2f %10s %9s %7s\n", $1, $2, $3, measured, limit, $7
}' "$targets"
if [ ${#failed[@]} -gt 0 ]; then
  echo "bench.sh: did not finish: ${failed[*]} (their remaining targets are not counted)"
fi
met=$(awk -F'\t' '$7 == "met"' "$targets" | wc -l)
echo "targets met: $met/$(wc -l <"$targets")"
[ ${#failed[@]} -eq 0 ]
