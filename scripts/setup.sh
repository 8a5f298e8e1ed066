#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, if missing:
# the mingw-w64 i686 cross compiler, Wine with its 32-bit half, CMake,
# GoogleTest sources, clang with libFuzzer, lld and llvm (lld-link and
# llvm-dlltool, for the MSVC import library and its test), python3 (the
# catalogue.json test), the locales the tests use, and zip for the release
# package.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 locales
          zip unzip lld llvm python3 chromium)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine takes the user locale from LANG; the glibc locale must exist for that.
wanted_locales=(en_US.UTF-8 de_DE.UTF-8 fi_FI.UTF-8)
need_gen=0
for l in "${wanted_locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || need_gen=1
done
if [ $need_gen -eq 1 ]; then
  for l in "${wanted_locales[@]}"; do
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
