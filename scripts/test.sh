#!/usr/bin/env bash
# Runs every test: the native value-routine tests, a bounded fuzzing run,
# and the Windows test programs under Wine (one warm wineserver for all).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

status=0
ctest --test-dir "$root/build/native" --output-on-failure || status=1
"$root/scripts/fuzz.sh" || status=1
(
  source "$root/scripts/wine-session.sh"
  ctest --test-dir "$root/build/win32" --output-on-failure -j 2
) || status=1
exit $status
