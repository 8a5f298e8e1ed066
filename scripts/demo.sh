#!/usr/bin/env bash
# Installs what is missing, builds, then loads the DLL under Wine and shows
# exports of every family answering.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
source "$root/scripts/wine-session.sh"
cd "$root/build/win32"
wine lumicall.exe tour
