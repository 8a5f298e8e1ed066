#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, if missing:
# the mingw-w64 i686 cross compiler, Wine with its 32-bit half, CMake,
# GoogleTest sources, clang with libFuzzer, lld and llvm (lld-link and
# llvm-dlltool, for the MSVC import library and its test), python3 (the
# catalogue.json test), pkg-config (the test of the package's .pc file),
# binutils (the machine probe), the locales the tests
# use, and zip for the release package.
#
# A mirror caught mid-sync fails one index now and then: the update is tried
# a few times and then left to the install to judge. When the install fails
# because the i386 and amd64 lists offer different versions of one library
# (both architectures must have the same), it is tried once more from the
# release's own suite, where they agree. The system's sources stay as they are.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 locales
          zip unzip lld llvm python3 pkg-config binutils
          chromium)
update_tries=3
update_pause=10  # seconds

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Retries the index update; an index that still fails is only reported.
update_indexes() {
  local try
  for try in $(seq "$update_tries"); do
    "${sudo_cmd[@]}" apt-get update -qq && return 0
    [ "$try" -lt "$update_tries" ] && sleep "$update_pause"
  done
  echo "setup.sh: 'apt-get update' failed $update_tries times; installing from the indexes there are"
}

# architecture_mismatch OUTPUT PACKAGE...: whether apt's OUTPUT says the
# install failed because the i386 and amd64 lists disagree (an unmet
# dependency between the two architectures, or the resolver's breaks with an
# i386 package asked for); prints the packages concerned.
architecture_mismatch() {
  local output=$1 named
  shift
  named=$(sed -n 's/^ \([^ ]*\) : [A-Za-z-]*: .*:i386.*/\1/p; s/^ \([^ ]*:i386\) : [A-Za-z-]*: .*/\1/p' <<<"$output" |
          sort -u)
  if [ -z "$named" ] && grep -q 'pkgProblemResolver::Resolve generated breaks' <<<"$output"; then
    named=$(printf '%s\n' "$@" | grep ':i386' || true)
  fi
  [ -n "$named" ] || return 1
  echo $named
}

# apt-get install OPTION... PACKAGE..., its output kept for the judgement.
apt_install() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "$@" 2>&1
}

install_missing() {
  local output suite named
  output=$(apt_install "$@") && return 0
  if ! named=$(architecture_mismatch "$output" "$@"); then
    echo "$output" | tail -n 5 >&2
    echo "setup.sh: 'apt-get install $*' failed (see above)" >&2
    exit 1
  fi
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  local why="the mirror's i386 and amd64 package lists differ (they offer other versions of $named)"
  if [ -z "$suite" ]; then
    echo "setup.sh: installing $* failed: $why; and /etc/os-release names no release to install from" >&2
    exit 1
  fi
  echo "setup.sh: installing $* failed: $why; trying again from $suite"
  output=$(apt_install -t "$suite" "$@") && return 0
  architecture_mismatch "$output" "$@" >/dev/null || echo "$output" | tail -n 5 >&2
  echo "setup.sh: installing $* failed, also from $suite: $why" >&2
  exit 1
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  update_indexes
  install_missing "${missing[@]}"
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
