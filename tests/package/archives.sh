#!/usr/bin/env bash
# The release archives as a user meets them (scripts/package.sh writes them into dist/):
#  - both: their sums match SHA256SUMS; they hold exactly vextral.exe and README.txt, which names the
#    version and has the about box's copyright line;
#  - win32: the program is a 32-bit (i386) Windows GUI program that imports only system DLLs (it is
#    not run: this machine's kernel runs no 32-bit code);
#  - win64: unpacked into a fresh folder of the Wine prefix and started from there with no settings in
#    the registry, it opens its window and shows the banner; closed with Alt+F4, it ends and leaves its
#    settings behind under the current version.
# Usage: archives.sh [dist directory] [screenshot.png]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dist=$(realpath "${1:-$root/dist}")
shot=${2:-$root/build/archive-check.png}
version=$("$root/scripts/version") || exit 1
source "$root/scripts/wine-env.sh"
status=0
fail() { echo "archives: $*" >&2; status=1; }

cd "$dist" || exit 1
sha256sum --quiet -c SHA256SUMS || fail "the archives do not match SHA256SUMS"
for suffix in win32 win64; do
  entries=$(unzip -Z1 "vextral-$version-$suffix.zip" | tr '\n' ' ')
  [ "$entries" = "vextral.exe README.txt " ] || fail "vextral-$version-$suffix.zip holds '$entries'"
done

# A GUI program for the given machine that needs no DLL beside it.
check_pe() {  # <exe> <objdump> <format> <magic>
  local header imports dll
  header=$(LC_ALL=C "$2" -p "$1") || { fail "$1 is no PE file"; return; }
  local format
  format=$(LC_ALL=C "$2" -f "$1")
  grep -q "file format $3\$" <<<"$format" || fail "$1 is not $3"
  grep -q "^Magic[[:space:]]*$4" <<<"$header" || fail "$1 has no optional header magic $4"
  grep -q "^Subsystem[[:space:]]*00000002" <<<"$header" || fail "$1 is not a Windows GUI program"
  imports=$(awk '/DLL Name/ {print $3}' <<<"$header" | tr '\n' ' ')
  echo "archives: $(basename "$(dirname "$1")")/vextral.exe ($3, GUI) imports $imports"
  for dll in $imports; do
    case ${dll,,} in
      kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|comdlg32.dll|shell32.dll|advapi32.dll|opengl32.dll|glu32.dll|msvcrt.dll) ;;
      *) fail "$1 needs $dll beside it" ;;
    esac
  done
}

# The win32 archive: checked, not run.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/win32"
unzip -q "vextral-$version-win32.zip" -d "$tmp/win32"
check_pe "$tmp/win32/vextral.exe" i686-w64-mingw32-objdump pei-i386 010b
for suffix in win32 win64; do
  unzip -p "vextral-$version-$suffix.zip" README.txt > "$tmp/README-$suffix.txt"
  grep -q "Vextral $version" "$tmp/README-$suffix.txt" || fail "the $suffix README.txt does not name version $version"
  # The about box's copyright line, as the resource script has it.
  copyright=$(grep -a -o 'Copyright (C) [^"]*' "$root/res/vextral.rc" | head -1)
  grep -qF "$copyright" "$tmp/README-$suffix.txt" || fail "the $suffix README.txt lacks \"$copyright\""
done

# The win64 archive: unpacked into a fresh folder on the prefix's drive C: and run from there.
vx_init_prefix
vx_start_display || exit 1
drive_c=$WINEPREFIX/drive_c
folder=$(mktemp -d "$drive_c/vextral-check.XXXXXX")
trap 'rm -rf "$tmp" "$folder"' EXIT
unzip -q "$dist/vextral-$version-win64.zip" -d "$folder"
check_pe "$folder/vextral.exe" x86_64-w64-mingw32-objdump pei-x86-64 020b

vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1
vx_wine reg query 'HKCU\Software\Tarnel\vextral' >/dev/null 2>&1 && fail "settings left in the registry before the start"
# Started as a double-click starts it: from its own folder, by its Windows path.
(cd "$folder" && exec "${VX_WINE_EXEC[@]}" "C:\\$(basename "$folder")\\vextral.exe" >/dev/null 2>&1) &
pid=$!
vx_find_window
if [ -z "$win" ]; then
  fail "no window titled Vextral from the unpacked program"
  kill "$pid" 2>/dev/null
  exit 1
fi
sleep 2  # the interpreter's greeting

# The banner is the first thing on the screen: bright text over the blue gradient of the defaults.
eval "$(xdotool getwindowgeometry --shell "$win")"
if import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shot"; then
  read -r blue bright < <(convert "$shot" -crop "$((WIDTH - 20))x$((HEIGHT - 70))+10+30" +repage -depth 8 txt:- |
    awk -F"[(),]" 'NR > 1 { r = $3; g = $4; b = $5;
                            if (b > 100 && r < 60 && g < 60) blue++;
                            if (r > 200 && g > 200 && b > 200) bright++ }
                   END { print blue + 0, bright + 0 }')
  echo "archives: the unpacked program's window ${WIDTH}x${HEIGHT}: $blue blue background pixels," \
       "$bright bright text pixels ($shot)"
  [ "$blue" -gt 5000 ] || fail "the unpacked program's screen shows no gradient background"
  [ "$bright" -gt 300 ] || fail "the unpacked program's screen shows no text"
else
  fail "no screenshot of the unpacked program"
fi

xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key alt+F4
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  fail "the unpacked program did not end within 10 s of Alt+F4"
  kill "$pid" 2>/dev/null
fi
wait "$pid" 2>/dev/null
ver=$(vx_wine reg query 'HKCU\Software\Tarnel\vextral' /v ver 2>/dev/null | tr -d '\r' | awk '$1 == "ver" {$1 = $2 = ""; sub(/^ +/, ""); print}')
datas=$(vx_wine reg query 'HKCU\Software\Tarnel\vextral' /v datas 2>/dev/null | tr -d '\r' | awk '$1 == "datas" {print $3}')
echo "archives: settings after the close: ver \"$ver\", datas ${#datas} hex digits"
[ "$ver" = "Version $version" ] || fail "the settings' version is \"$ver\", not \"Version $version\""
[ "${#datas}" -eq 280 ] || fail "the settings record is not 140 bytes"
vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1

[ $status -eq 0 ] && echo "archives: both archives pass"
exit $status
