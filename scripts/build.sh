#!/usr/bin/env bash
# Configures and builds both trees: build/win32 (the DLL, its Windows test
# programs, lumicall and the benchmarks) and build/native (the value routines'
# native tests and the catalogue page).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/win32 -G Ninja --toolchain cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 -j "$jobs"
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native -j "$jobs"
