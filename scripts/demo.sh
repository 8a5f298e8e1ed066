#!/usr/bin/env bash
# Installs what is missing, builds, then loads the DLL under Wine and shows
# exports of every family answering. A machine that runs no 32-bit x86 code
# (scripts/machine-probe.sh asks first) cannot load the DLL under any Wine:
# the demo says so, builds all the same, shows where the built files are and
# the catalogue's summary, and exits with a status of its own.
# Exit status: 0 the DLL answered as the models say, 1 a step failed or an
# answer was wrong, 2 wrong use, 3 built, but this machine runs no 32-bit x86
# code, so nothing was loaded.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
no_32bit_status=3

fail() {
  echo "demo.sh: $1" >&2
  exit 1
}

[ $# -eq 0 ] || { echo "demo.sh: takes no argument" >&2; exit 2; }
"$root/scripts/setup.sh" || fail "setup failed (see above)"
source "$root/scripts/machine-probe.sh"
lumi_probe_machine || fail "the machine probe could not be built"

if [ "$LUMI_RUNS_32BIT" = no ]; then
  cat <<EOF

This machine cannot load lumivextaran.dll: it runs no 32-bit x86 code. $(lumi_rehearsal_mark)
  probed:    $LUMI_PROBE
  answered:  $LUMI_KERNEL_SAID
  meaning:   Wine's own 32-bit loader is such a program, so no Wine, old WoW64 or
             new, can load the DLL here. It needs 32-bit x86 Windows, or Wine on an
             x86-64 Linux that runs 32-bit programs (ia32_emulation on). The DLL
             is built all the same; what follows needs no 32-bit code.

EOF
fi

"$root/scripts/build.sh" || fail "the build failed (see above)"

if [ "$LUMI_RUNS_32BIT" = yes ]; then
  source "$root/scripts/wine-session.sh" || fail "Wine could not be set up for build/wineprefix (see above)"
  cd "$root/build/win32"
  status=0
  wine lumicall.exe tour || status=$?
  [ "$status" -eq 0 ] || fail "lumicall tour found a problem (exit status $status)"
  exit 0
fi

source "$root/scripts/package-files.sh"
echo
echo "Built: the release package's files (bash scripts/release.sh packs them into dist/):"
for ((row = 0; row < ${#lumi_package_files[@]}; row += 2)); do
  printf '  %-38s %s\n' "${lumi_package_files[row]}" \
    "$(lumi_package_source build/win32 "${lumi_package_files[row + 1]}" | sed "s|^$root/||")"
done
echo
echo "The exports, from docs/catalogue.md (the build wrote it from the catalogue tables):"
sed -n '/^## Summary$/,/^## /p' "$root/docs/catalogue.md" | sed '1d;$d'
echo "demo.sh: built, but nothing was loaded: $lumi_no_32bit_words $(lumi_rehearsal_mark)"
exit "$no_32bit_status"
