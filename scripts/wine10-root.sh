#!/usr/bin/env bash
# Makes (as root, once) the Debian 13 root with Wine 10 in which the program runs on the path Windows
# users see, and keeps it under .cache/trixie (or $VX10_DIR). Debian 12's Wine 8 shows nothing of a GL
# child window, so there the program copies its frames into the window with GDI; Wine 10 shows the
# window's own pixel format and SwapBuffers, as Windows does.
# Commands run inside it through scripts/in-root; with VX_WINE_ROOT set to it, scripts/wine-env.sh
# (and so every test and script that runs the program) runs Wine from the root, on a prefix of its own.
# Takes about a minute and a half from Debian's archive, and 1.8 GB.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
dir=${VX10_DIR:-$repo/.cache/trixie}
mirror=${VX10_MIRROR:-http://deb.debian.org/debian}
stamp="$dir/.vextral-ready-1"
[ -f "$stamp" ] && exit 0
# What the program and its tests need inside: Wine (its 64-bit loader), Mesa's software GL, the IPA
# fonts the prefix maps the Japanese faces onto, the X tools the scripts use and the Japanese locale.
packages="wine64 wine libgl1-mesa-dri libglx-mesa0 libgl1 x11-utils xdotool imagemagick
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine locales"
command -v debootstrap >/dev/null || apt-get install -y --no-install-recommends debootstrap >/dev/null ||
  { echo "wine10-root: debootstrap cannot be installed" >&2; exit 1; }
started=$SECONDS
rm -rf "$dir"
mkdir -p "$dir"
log=$dir.log
debootstrap --variant=minbase trixie "$dir" "$mirror" >"$log" 2>&1 ||
  { echo "wine10-root: debootstrap failed (see $log)" >&2; exit 1; }
# No daemon starts inside the root.
printf '#!/bin/sh\nexit 101\n' >"$dir/usr/sbin/policy-rc.d"
chmod +x "$dir/usr/sbin/policy-rc.d"
cp -f /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true
VX_WINE_ROOT=$dir "$repo/scripts/in-root" env DEBIAN_FRONTEND=noninteractive sh -c "
    apt-get update && apt-get install -y --no-install-recommends $(echo $packages) &&
    sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen && locale-gen" >>"$log" 2>&1 ||
  { echo "wine10-root: installing Wine 10 failed (see $log)" >&2; exit 1; }
version=$(VX_WINE_ROOT=$dir "$repo/scripts/in-root" /usr/lib/wine/wine64 --version 2>/dev/null)
echo "   the Debian 13 root made in $((SECONDS - started)) s: $version"
touch "$stamp"
