#!/usr/bin/env bash
# Screenshots of the real program after a fixed set of commands, for comparing two builds pixel for
# pixel: the banner and prompt, short answers, a screen of lines, the view scrolled back, a tilt by the
# mouse. Each shot is the program's window alone (the entry box's blinking caret cut off the bottom).
#   scripts/shots.sh OUTDIR [vextral.exe]          (default build/x64/vextral.exe)
#   scripts/shots.sh --compare DIR_A DIR_B         (differing pixels of each pair, and where they lie)
# Runs in a prefix of its own (.cache/wine64-shots) on a display of its own, with no stored settings.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = --compare ]; then
  status=0
  for a in "$2"/*.png; do
    b=$3/$(basename "$a")
    n=$(compare -metric AE "$a" "$b" /dev/null 2>&1 >/dev/null)
    box=$(compare "$a" "$b" -compose src -highlight-color white -lowlight-color black png:- 2>/dev/null |
          convert png:- -trim -format '%wx%h%X%Y' info: 2>/dev/null)
    [ "$n" = 0 ] && box=
    echo "$(basename "$a"): $n differing pixels${box:+ (within $box)}"
    [ "$n" = 0 ] || status=1
  done
  exit $status
fi
out=${1:?usage: shots.sh OUTDIR [vextral.exe] | --compare A B}
exe=$(realpath "${2:-$root/build/x64/vextral.exe}")
export VEXTRAL_WINEPREFIX=${VEXTRAL_WINEPREFIX:-$root/.cache/wine64-shots}
source "$root/scripts/wine-env.sh"
vx_init_prefix || exit 1
unset DISPLAY
vx_start_display || exit 1
trap 'vx_stop_display' EXIT
mkdir -p "$out"
vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1
(cd /tmp && exec "${VX_WINE_EXEC[@]}" "$exe" >/dev/null 2>&1) &
pid=$!
vx_find_window || { echo "shots: no window" >&2; exit 1; }
sleep 2
shot() {
  sleep "${2:-1.5}"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  import -window root -crop "${WIDTH}x$((HEIGHT - 40))+$X+$Y" +repage "$out/$1.png"
}
type_line() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 10)) click 1
  xdotool type --delay 5 "$1"
  xdotool key Return
}
shot 1-banner
type_line "echo hello & ver"
shot 2-answer
type_line "for /L %i in (1,1,45) do @echo line %i of a screen full of text"
shot 3-screen 2.5
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 4 click 4 click 4
shot 4-scrolled
xdotool click 5 click 5 click 5
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) mousedown 1 mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2 + 40)) mouseup 1
shot 5-tilted
xdotool windowfocus --sync "$win" 2>/dev/null; xdotool key alt+F4
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null
ls "$out"
