#!/usr/bin/env bash
# Runs every test this machine can run, each part even when an earlier one
# fails: the native tests, a bounded fuzzing run, the static checks of the
# built Windows files (CTest label "static": headers, export and import
# tables, the header compiled as C and C++, the import libraries), and the
# Windows test programs under Wine. Those need a machine that runs 32-bit
# x86 code; the probe (scripts/machine-probe.sh) asks once and its answer is
# printed. Where it runs 32-bit code, a Wine failure is a failure.
#
# The last line counts every CTest test, and the fuzzing run as one:
#   test.sh: N passed, K failed[; failed: PART (COUNT), ...]
# and, on a machine that runs no 32-bit code, adds
#   ; the Windows tests (M) were not run: this machine runs no 32-bit x86 code
# Exit status: 0 everything that ran passed, 1 otherwise.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" || { echo "test.sh: setup failed, so no test ran" >&2; exit 1; }
"$root/scripts/build.sh" || { echo "test.sh: the build failed, so no test ran" >&2; exit 1; }
source "$root/scripts/machine-probe.sh"
lumi_probe_machine

passed=0
failed=0
failed_parts=()
log=$root/build/test-part.log

# Adds a part's counts from CTest's summary line in $log; a part that ended
# before CTest could count (Wine not set up) fails all EXPECTED of its tests.
count_part() {
  local part=$1 expected=$2 summary good bad
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$summary" ]; then
    bad=$expected
    good=0
  else
    bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    good=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary") - bad ))
  fi
  passed=$((passed + good))
  failed=$((failed + bad))
  [ "$bad" -eq 0 ] || failed_parts+=("$part ($bad)")
}

# The number of tests CTest would run with these arguments.
test_count() {
  ctest "$@" -N | sed -n 's/^Total Tests: //p'
}

native=(--test-dir "$root/build/native")
static=(--test-dir "$root/build/win32" -L static)
windows=(--test-dir "$root/build/win32" -LE static)

ctest "${native[@]}" --output-on-failure 2>&1 | tee "$log" || true
count_part "native tests" "$(test_count "${native[@]}")"

if "$root/scripts/fuzz.sh"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  failed_parts+=("fuzzing (1)")
fi

ctest "${static[@]}" --output-on-failure -j 2 2>&1 | tee "$log" || true
count_part "static checks of the built files" "$(test_count "${static[@]}")"

windows_tests=$(test_count "${windows[@]}")
not_run=""
if [ "$LUMI_RUNS_32BIT" = yes ]; then
  : >"$log"
  (
    source "$root/scripts/wine-session.sh" || exit 1
    ctest "${windows[@]}" --output-on-failure -j 2
  ) 2>&1 | tee "$log" || true
  count_part "Windows tests under Wine" "$windows_tests"
else
  not_run="; the Windows tests ($windows_tests) were not run: $lumi_no_32bit_words $(lumi_rehearsal_mark)"
fi

list=""
[ ${#failed_parts[@]} -eq 0 ] || list="; failed: $(printf '%s, ' "${failed_parts[@]}")"
echo "test.sh: $passed passed, $failed failed${list%, }${not_run% }"
[ "$failed" -eq 0 ]
