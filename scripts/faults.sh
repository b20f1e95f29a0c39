#!/usr/bin/env bash
# Every way the real vextral.exe can be closed or lose its interpreter, each repeated N times under
# Wine: the caption's close button, Alt+F4, "exit" typed, the interpreter killed from outside,
# Alt+F4 in the middle of a flood of both streams, Alt+F4 with 64 KB of input piled up in front of a
# program that reads nothing, Alt+F4 while a grandchild of the interpreter runs (an interpreter
# running ping), and Alt+F4 in a flood while the window is being resized. Each run must end the process within 5 s of the
# close (the kill: within 5 s of the kill), leave no interpreter or child behind, and save the settings
# ("ver" is written at every close). Prints the figures per path. Not part of the test suite.
#   scripts/faults.sh [runs-per-path]     (default 100)
# VX_BUILD names the x86_64 build directory (default build/x64); VX_FAULT_PATHS picks paths, e.g.
# "kill flood". The runs use a private copy of the project's Wine prefix and their own display.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-100}
build=${VX_BUILD:-$root/build/x64}
paths=${VX_FAULT_PATHS:-caption altf4 exit kill flood piled grandchild resize}
source "$root/scripts/reliability-env.sh"
rel_setup || exit 1

version=$("$root/scripts/version") || exit 1
saved() { vx_wine reg query 'HKCU\Software\Tarnel\vextral' /v ver 2>/dev/null | grep -qF "Version $version"; }

status=0
for path in $paths; do
  ok=0 slow=0 unsaved=0 left=0 nostart=0 worst=0 total=0
  for run in $(seq "$runs"); do
    if ! rel_start; then
      nostart=$((nostart + 1))
      [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
      continue
    fi
    case $path in
      caption) ms=$(rel_close_caption) ;;
      altf4) ms=$(rel_close_keys alt+F4) ;;
      exit) rel_type exit; ms=$(rel_wait_end) ;;
      kill) vx_wine "$probe" killcmd >/dev/null 2>&1; ms=$(rel_wait_end) ;;
      flood)
        rel_type "$(rel_winpath "$child") flood 0 faults"
        sleep 1.$((RANDOM % 10))
        ms=$(rel_close_keys alt+F4) ;;
      piled)
        rel_type "$(rel_winpath "$child") busy faults$run"
        sleep 0.5
        vx_wine "$probe" pile 64 >/dev/null 2>&1
        ms=$(rel_close_keys alt+F4) ;;
      grandchild)
        rel_type "cmd /c ping -n 100 127.0.0.1"
        sleep 1
        ms=$(rel_close_keys alt+F4) ;;
      resize)
        rel_type "$(rel_winpath "$child") flood 0 faults"
        for size in 700x500 600x400 800x560 640x420; do xdotool windowsize "$win" ${size/x/ }; sleep 0.3; done
        ms=$(rel_close_keys alt+F4) ;;
    esac
    if [ "$ms" -lt 0 ]; then
      slow=$((slow + 1))
      kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
      echo "faults: $path run $run: the process was still there after 15 s"
    else
      [ "$ms" -gt 5000 ] && slow=$((slow + 1)) && echo "faults: $path run $run: $ms ms"
      [ "$ms" -gt "$worst" ] && worst=$ms
      total=$((total + ms))
      ok=$((ok + 1))
    fi
    saved || { unsaved=$((unsaved + 1)); echo "faults: $path run $run: no settings saved"; }
    rel_leftovers >/dev/null || { left=$((left + 1)); echo "faults: $path run $run: processes left behind"; }
  done
  mean=$(( ok > 0 ? total / ok : 0 ))
  echo "faults: $path: $runs runs, $ok ended (mean $mean ms, worst $worst ms), $slow over 5 s," \
       "$unsaved without saved settings, $left with processes left, $nostart failed to start"
  [ $((slow + unsaved + left + nostart)) -eq 0 ] || status=1
done
exit $status
