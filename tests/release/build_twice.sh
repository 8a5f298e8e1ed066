#!/usr/bin/env bash
# Builds the DLL and its import libraries from one source tree in two fresh
# directories of different names, one after the other, and fails unless both
# builds give the same bytes: the DLL, its debug file (whose CRC the DLL
# carries) and the two import libraries.
#   build_twice.sh SOURCE_DIR SCRATCH_DIR      (SCRATCH_DIR is emptied)
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: build_twice.sh SOURCE_DIR SCRATCH_DIR" >&2
  exit 2
fi
source_dir=$1
scratch=$2
builds=(one second-build)  # names of different lengths: a leaked path shows

rm -rf "$scratch"
for build in "${builds[@]}"; do
  if ! cmake -S "$source_dir" -B "$scratch/$build" -G Ninja \
         --toolchain "$source_dir/cmake/mingw-i686.cmake" >/dev/null ||
     ! cmake --build "$scratch/$build" -j 2 --target lumivextaran lumivextaran_import_libraries >/dev/null; then
    echo "build_twice: building lumivextaran and its import libraries in $scratch/$build failed" >&2
    exit 1
  fi
done

status=0
cd "$scratch"
for file in lumivextaran.dll lumivextaran.dll.debug lib/liblumivextaran.dll.a lib/lumivextaran.lib; do
  sha256sum "${builds[@]/%//$file}"
  if ! cmp -s "${builds[0]}/$file" "${builds[1]}/$file"; then
    echo "build_twice: $file differs between the two builds" >&2
    status=1
  fi
done
exit $status
