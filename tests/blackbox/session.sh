#!/usr/bin/env bash
# A session with the real program, the way a person uses it: start vextral.exe under Wine on the
# virtual display, type a command into the entry box, look at the screen, type "exit" and see the
# program end by itself. Usage: session.sh path/to/vextral.exe [screenshot.png]
set -uo pipefail
exe=$(realpath "${1:?usage: session.sh vextral.exe [screenshot.png]}")
shot=${2:-$(mktemp --suffix=.png)}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh"
vx_init_prefix
vx_start_display || exit 1
fail() { echo "session: $*" >&2; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }

# Starts the program and waits for its window (pid, win); then for the interpreter's greeting.
start() {
  vx_wine "$exe" >/dev/null 2>&1 &
  pid=$!
  vx_find_window || fail "no window titled Vextral"
  sleep 2
}

# Waits for the program to end by itself; fails with `why` when it does not within 10 s.
wait_end() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$1"
  wait "$pid"
}

vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1
cd /tmp
start

# Click into the entry box (the bottom strip of the window), then type.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 10)) click 1
xdotool type --delay 20 'echo hello from vextral'
xdotool key Return
sleep 2
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shot" || fail "no screenshot"

# The screen must show the 3D text over the gradient: many blue background pixels and bright text
# pixels in the screen area (everything above the entry box).
read -r blue bright < <(convert "$shot" -crop "$((WIDTH - 20))x$((HEIGHT - 70))+10+30" +repage -depth 8 txt:- |
  awk -F"[(),]" 'NR > 1 { r = $3; g = $4; b = $5;
                          if (b > 100 && r < 60 && g < 60) blue++;
                          if (r > 200 && g > 200 && b > 200) bright++ }
                 END { print blue + 0, bright + 0 }')
echo "session: $blue blue background pixels, $bright bright text pixels in $shot"
[ "$blue" -gt 5000 ] || fail "the screen shows no gradient background"
[ "$bright" -gt 300 ] || fail "the screen shows no text"

# Colours through the right-click menu, by keyboard as a person might: the third item ("色..."), then
# the text colour's picker (the fourth stop in tab order), its palette, and yellow (row 4, column 3).
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 3)) click 3
sleep 1
xdotool key Down Down Down Return
sleep 2
xdotool key Tab Tab Tab space
sleep 1
xdotool key Down Down Down Down Right Right Return
sleep 1
xdotool key Return
sleep 2
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "${shot%.png}-yellow.png" || fail "no screenshot"
yellow=$(convert "${shot%.png}-yellow.png" -crop "$((WIDTH - 20))x$((HEIGHT - 70))+10+30" +repage -depth 8 txt:- |
  awk -F"[(),]" 'NR > 1 && $3 > 180 && $4 > 180 && $5 < 90 { n++ } END { print n + 0 }')
echo "session: $yellow yellow text pixels after choosing yellow text"
[ "$yellow" -gt 300 ] || fail "the text did not turn yellow"

xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 10)) click 1
xdotool type --delay 20 'exit'
xdotool key Return
wait_end "the program did not end after exit"
echo "session: the program ended by itself after exit"

# Once more, closed with the close box of the window's caption.
start
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH - 12)) $((Y + 12)) click 1
wait_end "the program did not end after its close box was clicked"
echo "session: the caption's close box ended the program"

exit 0
