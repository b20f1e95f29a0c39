#!/usr/bin/env bash
# Installs, idempotently and as root, every Debian 12 package that building, running and testing
# Vextral needs. Packages already present are left alone, so a second run is quick.
set -euo pipefail

need=(cmake ninja-build g++ g++-multilib clang lld libclang-rt-14-dev
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-i686
      googletest libglu1-mesa-dev libx11-dev libxtst-dev
      wine wine64 libgl1-mesa-dri
      xvfb xdotool xclip imagemagick x11-utils xauth zip unzip
      fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine locales
      debootstrap)  # the Debian 13 root with Wine 10 (scripts/wine10-root.sh)

# The packages of "$@" that are not installed.
missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# Installs the packages of "$@" (none: nothing to do); `why` says what needs them when not root.
install_packages() {
  local why=$1
  shift
  [ $# -gt 0 ] || return 0
  if [ "$(id -u)" != 0 ]; then
    echo "setup: $why; installing $* needs root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

mapfile -t missing < <(missing_of "${need[@]}")
install_packages "these packages are missing" "${missing[@]}"

# Where the kernel runs 32-bit (i386) code (many of our machines refuse it; detect, never assume), the
# i686 program and the 32-bit build of the logic are tested too: that needs Wine's 32-bit loader with a
# 32-bit GL driver, and 32-bit GLU for the native mesh tests. (On Debian the i386 packages must share the
# amd64 ones' versions, so this may also update some installed amd64 packages.)
if /lib32/ld-linux.so.2 --version >/dev/null 2>&1; then
  mapfile -t missing < <(missing_of wine32:i386 libgl1-mesa-dri:i386 libglu1-mesa-dev:i386)
  if [ ${#missing[@]} -gt 0 ] && [ "$(id -u)" = 0 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  install_packages "this machine runs 32-bit code" "${missing[@]}"
fi

# Wine runs under a Japanese locale so that the ANSI code page is 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [ "$(id -u)" = 0 ]; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  else
    echo "setup: the ja_JP.UTF-8 locale is missing and generating it needs root" >&2
    exit 1
  fi
fi
