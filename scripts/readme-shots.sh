#!/usr/bin/env bash
# The README's pictures, taken of the real program as a user would see it: a session, the view scrolled
# back, the find bar with a picked line, the colour settings with the palette open, and the same screen
# full of text before and after antialiasing (VX_SAMPLES=0, then as the program draws by default, the
# picture refined once it rests), with a magnified detail of the pair side by side.
#   scripts/readme-shots.sh OUTDIR [vextral.exe]        (default build/x64/vextral.exe)
# With VX_WINE_ROOT set (the Debian 13 root), under Wine 10, which shows the program's own pixel format as
# Windows does. Each run uses a prefix of its own (.cache/wine-readme) on a display of its own, with no
# stored settings.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: readme-shots.sh OUTDIR [vextral.exe]}
exe=$(realpath "${2:-$root/build/x64/vextral.exe}")
mkdir -p "$out"
out=$(realpath "$out")
export VEXTRAL_WINEPREFIX=$root/.cache/wine-readme${VX_WINE_ROOT:+10}
source "$root/scripts/wine-env.sh"
vx_init_prefix || exit 1
unset DISPLAY
vx_start_display || exit 1
trap 'vx_stop_display' EXIT

# The rectangle of X window $1 as W H X Y.
geometry() {
  local WIDTH HEIGHT X Y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$WIDTH $HEIGHT $X $Y"
}
shot() {  # $out/$1.png of window $2, after $3 seconds (the refined picture follows a rest)
  sleep "${3:-2}"
  local W H X Y
  read -r W H X Y < <(geometry "$2")
  import -window root -crop "${W}x$H+$X+$Y" +repage "$out/$1.png"
  echo "$1: $W x $H"
}
type_line() {
  local W H X Y
  read -r W H X Y < <(geometry "$win")
  xdotool mousemove $((X + W / 2)) $((Y + H - 10)) click 1
  xdotool type --delay 10 "$1"
  xdotool key Return
}
focus_after() {  # the window with the focus once it is not $1 (a dialog or popup opened over it)
  local w
  for _ in $(seq 50); do
    w=$(xdotool getwindowfocus 2>/dev/null)
    if [ -n "$w" ] && [ "$w" != "$1" ]; then echo "$w"; return 0; fi
    sleep 0.1
  done
  return 1
}
start() {  # the program with no stored settings, its window in $win
  vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1
  (cd /tmp && exec "${VX_WINE_EXEC[@]}" "$exe" >/dev/null 2>&1) &
  pid=$!
  vx_find_window || { echo "readme-shots: no window" >&2; exit 1; }
  sleep 2
}
stop() {
  xdotool windowfocus --sync "$win" 2>/dev/null
  xdotool key alt+F4
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null
}

# The same screen full of text, single-sampled and as drawn by default.
for look in before after; do
  if [ $look = before ]; then export VX_SAMPLES=0; else unset VX_SAMPLES; fi
  start
  type_line 'for /L %i in (1,1,40) do @echo line %i of a screen full of extruded text'
  shot "picture-$look" "$win" 3
  stop
done
unset VX_SAMPLES
# The farther lines, where the difference is plainest, magnified 3 times, before on the left.
for look in before after; do
  convert "$out/picture-$look.png" -crop 200x90+60+40 +repage -filter point -resize 300% "$out/detail-$look.png"
done
convert "$out/detail-before.png" "$out/detail-after.png" -bordercolor white -border 4 +append "$out/picture-detail.png"
rm -f "$out/detail-before.png" "$out/detail-after.png"

start
type_line 'echo hello from vextral'
shot session "$win"
type_line 'for /L %i in (1,1,70) do @echo scroll line %i'
sleep 2
read -r W H X Y < <(geometry "$win")
xdotool mousemove $((X + W / 2)) $((Y + H / 2)) click 4 click 4 click 4
shot scrollback "$win"
xdotool key ctrl+f
sleep 0.3
xdotool type --delay 10 'line 5'
xdotool key Return Return
sleep 1
# A line picked: a click on the second nearest line of the screen.
xdotool mousemove $((X + W / 4)) $((Y + H * 62 / 100)) click 1
shot find "$win"
xdotool key Escape Escape
sleep 0.5
# The colour settings, from the screen's right-click menu (its third item), the text colour's picker
# opened by a click on its arrow.
xdotool mousemove $((X + W / 2)) $((Y + H / 3)) click 3
sleep 0.7
xdotool key Down Down Down Return
if d=$(focus_after "$win"); then
  sleep 1
  dialog=$(geometry "$d")
  read -r W H X Y <<< "$dialog"
  xdotool mousemove $((X + 215)) $((Y + 136)) click 1  # at 96 DPI
  if p=$(focus_after "$d"); then
    sleep 0.5
    xdotool key Right Down Down
    sleep 1
    l=100000 t=100000 r=0 b=0
    for w in dialog "$p"; do
      if [ "$w" = dialog ]; then read -r W H X Y <<< "$dialog"; else read -r W H X Y < <(geometry "$w"); fi
      ((X < l)) && l=$X; ((Y < t)) && t=$Y
      ((X + W > r)) && r=$((X + W)); ((Y + H > b)) && b=$((Y + H))
    done
    import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$out/colour-dialog.png"
    echo "colour-dialog: $((r - l)) x $((b - t))"
    xdotool key Escape
  fi
  sleep 0.5
  xdotool key Escape
fi
sleep 0.5
stop
