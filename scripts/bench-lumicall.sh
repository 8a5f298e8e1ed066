#!/usr/bin/env bash
# Times lumicall's two long commands under Wine against their 10 s targets:
# `replay` of a trace of 10^6 records (the known answers traced through the
# tracing build by verify, their records repeated with new sequence numbers)
# and `compare` of the plain DLL with itself. Builds the Windows tree if
# needed. It is a benchmark: it prints figures and asserts nothing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LUMI_BENCH_BUILD:-$root/build/win32}
records=${LUMI_REPLAY_RECORDS:-1000000}
scratch=$build/bench/lumicall
jobs=2  # the cores are shared

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target lumicall lumivextaran lumivextaran_trace

source "$root/scripts/wine-prefix.sh"
lumi_prefix_ready
wineserver -p60 2>/dev/null || true  # fails harmlessly if one is running

rm -rf "$scratch"
mkdir -p "$scratch"
cp "$build/trace/lumivextaran.dll" "$scratch/"
"$root/scripts/wine-run" "$build/lumicall.exe" --dll "$scratch/lumivextaran.dll" verify >/dev/null
traced=$(ls "$scratch"/lumivextaran-trace-*.txt | head -n 1)

# The header as it is; the records (call/ret pairs, in order) over and over.
big=$scratch/trace-$records.txt
perl -e '
  my ($n) = @ARGV[1]; open my $in, "<", $ARGV[0] or die; my (@head, @pairs, %call, $body);
  while (<$in>) {
    if (!$body) { push @head, $_; $body = /^records$/; next }
    if (/^call (\d+) (.*)$/) { $call{$1} = $2 } elsif (/^ret (\d+) (.*)$/ && exists $call{$1}) { push @pairs, [$call{$1}, $2] }
  }
  print @head;
  for my $seq (1 .. $n) { my $p = $pairs[($seq - 1) % @pairs]; print "call $seq $p->[0]\nret $seq $p->[1]\n" }
' "$traced" "$records" >"$big"

seconds() {  # the wall time of a command, in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >"$scratch/out.txt" 2>&1 || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
echo "=== lumicall ($(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg))"
replay=$(seconds "$root/scripts/wine-run" "$build/lumicall.exe" replay "$big")
printf 'replay of %d records   %6.1f s  (target < 10 s)  %s\n' "$records" "$replay" "$(tail -n 1 "$scratch/out.txt")"
compare=$(seconds "$root/scripts/wine-run" "$build/lumicall.exe" compare "$build/lumivextaran.dll")
printf 'compare, plain vs plain  %6.1f s  (target < 10 s)  %s\n' "$compare" "$(tail -n 1 "$scratch/out.txt")"
