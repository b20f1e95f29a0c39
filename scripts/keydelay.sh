#!/usr/bin/env bash
# The delay a person feels between a key and its character in the entry box, measured on the real
# vextral.exe under Wine: idle, then during a batch file flooding both streams (a `for /L` calling a
# label that echoes to standard output and standard error), each key pressed through the X server and
# timed until the entry box's pixels change (bench/native/keydelay.c). Then Alt+F4 in the flood, timed
# to the process's end. Prints the figures; asserts nothing. Not part of the test suite.
#   scripts/keydelay.sh [keys]      (default 20)
# VX_FLOOD=child floods with the reliability child's tight loop instead of the batch file (many
# more lines a second); VX_FLOOD=pulse prints one line a second instead (a batch file waiting in ping
# between its lines), so that the picture rests and is refined between lines and the keys meet the
# refinement's slices (VX_SAMPLES=0 turns multisampling and refinement off, for comparing). VX_KEYDELAY_RESTARTS=N (default 0) then times keys around N restarts: each time a
# busy batch file (a loop that starts no program) is run and Ctrl+C pressed among the keys, so that the
# keys after it meet the stop, its check and the restart.
# VX_BUILD names the x86_64 build directory (default build/x64). Runs in the private prefix and display
# of soak.sh and faults.sh.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keys=${1:-20}
build=${VX_BUILD:-$root/build/x64}
source "$root/scripts/reliability-env.sh"
rel_setup || exit 1

tool=$root/.cache/keydelay
if [ ! -x "$tool" ] || [ "$root/bench/native/keydelay.c" -nt "$tool" ]; then
  cc -O2 -Wall -Wextra "$root/bench/native/keydelay.c" -o "$tool" -lX11 -lXtst || exit 1
fi
batch=$(mktemp --suffix=.bat)
loop=$(mktemp --suffix=.bat)
printf ':a\r\ngoto a\r\n' > "$loop"
pulse=$(mktemp --suffix=.bat)
printf '@echo off\r\n:a\r\necho pulse\r\nping -n 2 127.0.0.1 >nul\r\ngoto a\r\n' > "$pulse"
printf '@echo off\r\nfor /L %%%%i in (1,1,1000000) do call :p %%%%i\r\ngoto :eof\r\n:p\r\necho out %%1\r\necho err %%1 1>&2\r\ngoto :eof\r\n' > "$batch"

rel_start || rel_fail "the window did not show"
eval "$(xdotool getwindowgeometry --shell "$win")"
# The entry box: the bottom 30 pixels of the window, right of the label.
box=($((X + 120)) $((Y + HEIGHT - 26)) 240 18)
xdotool windowfocus --sync "$win"
echo "== idle"
"$tool" "${box[@]}" 6 200 | tail -1
for round in $(seq "${VX_KEYDELAY_RESTARTS:-0}"); do
  rel_type "$(rel_winpath "$loop")"
  sleep 1
  xdotool windowfocus --sync "$win"
  echo "== Ctrl+C on a busy batch file, restart $round"
  KEYDELAY_CTRL_C=3 "$tool" "${box[@]}" 24 40 | grep -E 'ctrl|^key|^keys'
done
if [ "${VX_FLOOD:-batch}" = child ]; then
  rel_type "$(rel_winpath "$child") flood 0 keydelay"
  what="the reliability child's flood of both streams"
elif [ "${VX_FLOOD:-batch}" = pulse ]; then
  rel_type "$(rel_winpath "$pulse")"
  what="a line a second, the picture refined between lines"
else
  rel_type "$(rel_winpath "$batch")"
  what="a batch flood of both streams"
fi
sleep 5
xdotool windowfocus --sync "$win"
echo "== during $what"
"$tool" "${box[@]}" "$keys" 300
echo "== Alt+F4 in the flood: the process ended after $(rel_close_keys alt+F4) ms"
rel_leftovers && echo "== nothing left behind"
rm -f "$batch" "$loop" "$pulse"
