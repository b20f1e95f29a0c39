#!/usr/bin/env bash
# Screenshots of the real program's windows at several scales, for looking at by eye: the main window
# with the find bar open, the screen adjustment dialog, the colour settings dialog, its palette popup
# (40 swatches) and the about box, each at 96, 120, 144 and 192 DPI unless other DPIs are given.
#   scripts/dpi-shots.sh OUTDIR [vextral.exe [DPI...]]      (default build/x64/vextral.exe)
# Writes OUTDIR/<dpi>-<window>.png. Each DPI runs in a prefix of its own (.cache/wine64-dpi<N>, its
# LogPixels set to N) on a display of its own, with no stored settings. Windows are opened by the keyboard
# (the screen's right-click menu, Tab and Space in the colour dialog), as a user would.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: dpi-shots.sh OUTDIR [vextral.exe [DPI...]]}
exe=$(realpath "${2:-$root/build/x64/vextral.exe}")
shift $(($# >= 2 ? 2 : 1))
dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(96 120 144 192)
mkdir -p "$out"
out=$(realpath "$out")

# The rectangle of X window $1 as W H X Y.
geometry() {
  local WIDTH HEIGHT X Y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$WIDTH $HEIGHT $X $Y"
}
# The window with the keyboard focus once it differs from $1 (a dialog or popup just opened over it),
# up to about 5 s. The focus, not the active window: with no window manager there is no active window.
opened_over() {
  local w i
  for i in $(seq 50); do
    w=$(xdotool getwindowfocus 2>/dev/null)
    if [ -n "$w" ] && [ "$w" != "$1" ]; then echo "$w"; return 0; fi
    sleep 0.1
  done
  return 1
}
# Shot of the screen's rectangle covering X windows $2..., as $out/$1.png.
shot() {
  local name=$1 l=100000 t=100000 r=0 b=0 w W H X Y
  shift
  for w in "$@"; do
    read -r W H X Y < <(geometry "$w")
    ((X < l)) && l=$X; ((Y < t)) && t=$Y
    ((X + W > r)) && r=$((X + W)); ((Y + H > b)) && b=$((Y + H))
  done
  import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$out/$name.png"
  echo "$name: $((r - l)) x $((b - t))"
}
# Opens item $2 (counted from 1) of the screen's right-click menu over main window $1.
menu_item() {
  local W H X Y i
  read -r W H X Y < <(geometry "$1")
  xdotool mousemove $((X + W / 2)) $((Y + H / 3)) click 3
  sleep 0.7
  for i in $(seq "$2"); do xdotool key Down; done
  xdotool key Return
}

run_at() {
  local dpi=$1
  export VEXTRAL_WINEPREFIX=$root/.cache/wine64-dpi$dpi
  unset DISPLAY VX_XVFB_PID
  source "$root/scripts/wine-env.sh"
  vx_init_prefix || return 1
  vx_start_display || return 1
  trap 'vx_stop_display' RETURN
  vx_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1
  # The DPI is read when the prefix's Wine server starts.
  vx_kill_server
  (cd /tmp && exec "${VX_WINE_EXEC[@]}" "$exe" >/dev/null 2>&1) &
  local pid=$!
  vx_find_window || { echo "dpi-shots: no window at $dpi DPI" >&2; kill "$pid"; return 1; }
  sleep 2
  local main=$win d p
  echo "-- $dpi DPI: main window $(geometry "$main")"

  xdotool windowfocus --sync "$main" 2>/dev/null
  xdotool key ctrl+f
  sleep 0.3
  xdotool type --delay 5 'VEXTRAL'
  xdotool key Return
  sleep 1.5
  shot "$dpi-main-find" "$main"
  xdotool key Escape

  menu_item "$main" 1
  d=$(opened_over "$main") && { sleep 1; shot "$dpi-adjust" "$d"; xdotool key Escape; }
  sleep 0.7

  menu_item "$main" 3
  if d=$(opened_over "$main"); then
    sleep 1
    shot "$dpi-colour" "$d"
    # The tab order: OK, Cancel, background colour 1's picker.
    xdotool key Tab Tab space
    if p=$(opened_over "$d"); then
      sleep 0.5
      xdotool key Right Down Down
      sleep 1
      shot "$dpi-palette" "$d" "$p"
      xdotool key Escape
    fi
    sleep 0.5
    xdotool key Escape
  fi
  sleep 0.7

  menu_item "$main" 5
  d=$(opened_over "$main") && { sleep 1; shot "$dpi-about" "$d"; xdotool key Escape; }
  sleep 0.7

  xdotool windowfocus --sync "$main" 2>/dev/null; xdotool key alt+F4
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null
  return 0
}

status=0
for dpi in "${dpis[@]}"; do
  (run_at "$dpi") || status=1
done
exit $status
