#!/usr/bin/env bash
# Runs every test: the native value-routine tests, a bounded fuzzing run,
# and the Windows test programs under Wine (one warm wineserver for all).
# Every part runs even when an earlier one fails; the end says which failed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

failed=()
ctest --test-dir "$root/build/native" --output-on-failure || failed+=("native tests")
"$root/scripts/fuzz.sh" || failed+=("fuzzing")
(
  source "$root/scripts/wine-session.sh" || exit 1
  ctest --test-dir "$root/build/win32" --output-on-failure -j 2
) || failed+=("Windows tests under Wine")

if [ ${#failed[@]} -gt 0 ]; then
  list=$(printf '%s, ' "${failed[@]}")
  echo "test.sh: failed: ${list%, }" >&2
  exit 1
fi
echo "test.sh: all tests passed"
