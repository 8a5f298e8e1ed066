#!/usr/bin/env bash
# Builds the release from the committed tree, in a fresh directory of its own
# (build/release), and writes dist/lumivextaran-VERSION-win32.zip: the files
# of the table in scripts/package-files.sh and SHA256SUMS over all of them.
# Also dist/lumitrace-VERSION-linux-x86_64.tar.gz: the native trace reader,
# one static binary, with the trace format's document. Prints the SHA-256s.
#
# The same commit gives the same zip to the byte, wherever and whenever it is
# built: the binaries carry no time or path, and every zip entry has a fixed
# place, mode and time (the commit's) and no owner. Runs nothing under Wine.
#
#   release.sh                   the zip
#   release.sh --files           the package's files, one a line (for the tests)
#   release.sh --stage BUILD DIR the package laid out in DIR from the built
#                                Windows tree BUILD, as the zip holds it
# Exit status: 0 written, 1 a step failed, 2 wrong use or uncommitted changes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
caller=$PWD  # --stage's paths are the caller's
cd "$root"

fail() {
  echo "release.sh: $2" >&2
  exit "$1"
}

source "$root/scripts/package-files.sh"

package_files() {
  local i
  for ((i = 0; i < ${#lumi_package_files[@]}; i += 2)); do echo "${lumi_package_files[i]}"; done
}

# stage BUILD DIR: the package's files copied into DIR (made afresh), with
# SHA256SUMS over them.
stage() {
  local build=$1 dir=$2 i place from
  local -a places
  rm -rf "$dir"
  for ((i = 0; i < ${#lumi_package_files[@]}; i += 2)); do
    place=${lumi_package_files[i]}
    from=$(lumi_package_source "$build" "${lumi_package_files[i + 1]}")
    mkdir -p "$dir/$(dirname "$place")"
    cp "$from" "$dir/$place" || fail 1 "could not copy $from to the package"
    places+=("$place")
  done
  (cd "$dir" && sha256sum "${places[@]}" >SHA256SUMS)
}

case "${1-}" in
  --files)
    [ $# -eq 1 ] || fail 2 "--files takes no argument"
    package_files
    echo SHA256SUMS
    exit 0 ;;
  --stage)
    [ $# -eq 3 ] || fail 2 "usage: release.sh --stage BUILD DIR"
    cd "$caller"
    [ -d "$2" ] || fail 2 "no build tree $2"
    stage "$(realpath "$2")" "$(realpath -m "$3")"
    exit 0 ;;
esac
[ $# -eq 0 ] || fail 2 "takes no argument but --files or --stage BUILD DIR"
git rev-parse --git-dir >/dev/null 2>&1 || fail 2 "$root is not a git work tree"
[ -z "$(git status --porcelain)" ] ||
  fail 2 "the work tree has uncommitted changes (see git status): commit or stash them first"

"$root/scripts/setup.sh"

build=$root/build/release
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/mingw-i686.cmake" >/dev/null ||
  fail 1 "configuring $build failed"
cmake --build "$build" -j 2 --target lumivextaran lumivextaran_trace lumicall lumivextaran_import_libraries ||
  fail 1 "building lumivextaran.dll, trace/lumivextaran.dll, lumicall.exe and the import libraries in $build failed"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail 1 "no project version in $build/CMakeCache.txt"
name=lumivextaran-$version-win32

# What ships: the DLL as built (no debug sections, a version resource).
for dll in lumivextaran.dll trace/lumivextaran.dll; do
  sections=$(i686-w64-mingw32-objdump -h "$build/$dll") || fail 1 "objdump could not read $build/$dll"
  if grep -q ' \.debug_' <<<"$sections"; then fail 1 "$dll has .debug_* sections"; fi
  grep -q ' \.rsrc ' <<<"$sections" || fail 1 "$dll has no version resource"
done

stage=$build/package/$name
stage "$build" "$stage"
mapfile -t files < <(package_files; echo SHA256SUMS)

# Fixed mode and time: zip keeps both, and writes the time as local time.
commit_time=$(git log -1 --format=%ct)
(cd "$stage" && chmod 644 "${files[@]}" && touch -d "@$commit_time" "${files[@]}")
mkdir -p dist
zip=$root/dist/$name.zip
rm -f "$zip"  # zip would add to an old one
(cd "$build/package" && TZ=UTC zip -X -D -q "$zip" "${files[@]/#/$name/}") ||
  fail 1 "zip could not write $zip"

# The zip as a user gets it: every file there, and its checksums holding.
unzipped=$build/unzipped
mkdir -p "$unzipped"
unzip -q "$zip" -d "$unzipped" || fail 1 "unzip could not read $zip"
(cd "$unzipped/$name" && sha256sum --quiet -c SHA256SUMS) ||
  fail 1 "SHA256SUMS does not hold in the unzipped $zip"

# ---- lumitrace for Linux: one static binary in a tarball, to the byte the same
# from the same commit (fixed order, time and owner; no name or time in the gzip).
native=$root/build/release-native
rm -rf "$native"
cmake -S "$root" -B "$native" -G Ninja >/dev/null || fail 1 "configuring $native failed"
cmake --build "$native" -j 2 --target lumitrace || fail 1 "building lumitrace in $native failed"
readelf -l "$native/lumitrace" | grep -q INTERP && fail 1 "lumitrace is not statically linked"
tool=lumitrace-$version-linux-x86_64
tool_stage=$native/package/$tool
mkdir -p "$tool_stage"
strip -o "$tool_stage/lumitrace" "$native/lumitrace" || fail 1 "strip could not write $tool_stage/lumitrace"
cp docs/trace-format.md LICENSE "$tool_stage/"
chmod 755 "$tool_stage" "$tool_stage/lumitrace" && chmod 644 "$tool_stage/trace-format.md" "$tool_stage/LICENSE"
(cd "$native/package" && tar --sort=name --mtime="@$commit_time" --owner=0 --group=0 --numeric-owner \
   --format=gnu -cf - "$tool" | gzip -n -9 >"$root/dist/$tool.tar.gz") || fail 1 "tar could not write dist/$tool.tar.gz"

echo "release.sh: wrote dist/$name.zip and dist/$tool.tar.gz"
(cd "$root" && sha256sum "dist/$name.zip" "dist/$tool.tar.gz")
