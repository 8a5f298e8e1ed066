#!/usr/bin/env bash
# Builds examples/host.c through the package's CMake file, in the package as
# the zip lays it out (release.sh --stage), with one toolchain (warning-free
# as C99), runs it and holds what it prints to the output host.c's comment
# gives; with MinGW, host.c also links with the pkg-config file's flags.
#   example_host.sh SOURCE_DIR PACKAGE_DIR SCRATCH_DIR mingw|clang-msvc EMULATOR
# SCRATCH_DIR is emptied.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() {
  echo "example_host: $*" >&2
  exit 1
}
if [ $# -ne 5 ]; then
  echo "usage: example_host.sh SOURCE_DIR PACKAGE_DIR SCRATCH_DIR mingw|clang-msvc EMULATOR" >&2
  exit 2
fi
source_dir=$1 package=$2 scratch=$3 toolchain=$4 emulator=$5
rm -rf "$scratch"
mkdir -p "$scratch"

case $toolchain in
  mingw) options=(--toolchain "$source_dir/cmake/mingw-i686.cmake") ;;
  clang-msvc)
    crt=$scratch/msvc_crt
    mkdir -p "$crt"
    cp -r "$here/msvc_crt/include" "$crt/"
    clang --target=i686-pc-windows-msvc -O2 -c "$here/msvc_crt/crt_start.c" -o "$crt/crt_start.obj" ||
      fail "compiling the stand-in C runtime failed"
    llvm-dlltool -m i386 -d "$here/msvc_crt/msvcrt.def" -l "$crt/msvcrt.lib" ||
      fail "making the stand-in's msvcrt.lib failed"
    options=(--toolchain "$here/clang-msvc-i686.cmake" "-DLUMI_MSVC_CRT=$crt"
             "-DCMAKE_C_STANDARD_LIBRARIES=$crt/crt_start.obj $crt/msvcrt.lib") ;;
  *) fail "no toolchain '$toolchain': mingw or clang-msvc" ;;
esac

host_build=$scratch/build
if ! cmake -S "$package/examples" -B "$host_build" -G Ninja "-DCMAKE_PREFIX_PATH=$package" \
       "-DCMAKE_C_FLAGS=-std=c99 -Wall -Wextra -pedantic -Werror" "${options[@]}" >"$scratch/configure.log" 2>&1; then
  cat "$scratch/configure.log" >&2
  fail "configuring examples/ with find_package(lumivextaran) failed ($toolchain)"
fi
cmake --build "$host_build" || fail "building examples/host.c failed ($toolchain)"
if [ "$toolchain" = mingw ]; then  # and with what the pkg-config file gives
  flags=$(PKG_CONFIG_PATH=$package/lib/pkgconfig pkg-config --cflags --libs lumivextaran) ||
    fail "pkg-config found no lumivextaran in $package/lib/pkgconfig"
  # shellcheck disable=SC2086  # the flags are words
  i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -pedantic -Werror "$package/examples/host.c" $flags \
    -o "$scratch/host-pkg-config.exe" || fail "building examples/host.c with pkg-config's flags ($flags) failed"
fi

# The comment's lines after the one ending in "prints:" and its blank line.
expected=$(sed -n '/prints:$/,/\*\//p' "$package/examples/host.c" | sed '1,2d;$d' | sed 's/^ \*   //')
actual=$(cd "$host_build" && "$emulator" ./host.exe | tr -d '\r') || fail "host.exe failed ($toolchain)"
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  fail "host.exe ($toolchain) does not print what host.c's comment says (< comment, > printed)"
fi
echo "example_host: host.exe built with $toolchain prints what its comment says"
