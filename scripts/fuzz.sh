#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, ASan, UBSan), the value routines'
# and the trace reader's, and runs them for a bounded time in all. Exits non-zero on a finding.
#   scripts/fuzz.sh [seconds]      (default 30)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
out="$root/build/fuzz"
mkdir -p "$out/corpus" "$out/findings"

# Two targets share the time: the value routines two thirds, the trace
# reader (what lumicall replay reads from the user's files) one third.
reader_seconds=$(( seconds / 3 > 1 ? seconds / 3 : 1 ))
values_seconds=$(( seconds - reader_seconds > 1 ? seconds - reader_seconds : 1 ))
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -I "$root")

clang++ "${flags[@]}" "$root/tests/fuzz/fuzz_values.cpp" "$root"/values/*.cpp -o "$out/fuzz_values" ||
  { echo "fuzz.sh: building fuzz_values failed" >&2; exit 1; }
clang++ "${flags[@]}" "$root/tests/fuzz/fuzz_trace.cpp" "$root/tools/trace/trace_reader.cpp" -o "$out/fuzz_trace" ||
  { echo "fuzz.sh: building fuzz_trace failed" >&2; exit 1; }

"$out/fuzz_values" -max_total_time="$values_seconds" -max_len=256 -timeout=10 \
    -artifact_prefix="$out/findings/" "$out/corpus" ||
  { echo "fuzz.sh: fuzz_values found a fault (see $out/findings)" >&2; exit 1; }
mkdir -p "$out/trace_corpus"
"$out/fuzz_trace" -max_total_time="$reader_seconds" -max_len=4096 -timeout=10 \
    -artifact_prefix="$out/findings/trace-" "$out/trace_corpus" ||
  { echo "fuzz.sh: fuzz_trace found a fault (see $out/findings)" >&2; exit 1; }
