#!/usr/bin/env bash
# Builds the value-routine fuzzer with clang (libFuzzer, ASan, UBSan) and runs
# it for a bounded time. Exits non-zero on a finding.
#   scripts/fuzz.sh [seconds]      (default 30)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
out="$root/build/fuzz"
mkdir -p "$out/corpus" "$out/findings"

clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I "$root" \
    "$root/tests/fuzz/fuzz_values.cpp" "$root"/values/*.cpp \
    -o "$out/fuzz_values"

"$out/fuzz_values" -max_total_time="$seconds" -max_len=256 -timeout=10 \
    -artifact_prefix="$out/findings/" "$out/corpus"
