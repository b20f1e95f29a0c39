#!/usr/bin/env bash
# Soak: the real vextral.exe under Wine with its interpreter flooding standard output and standard error
# at once, while a probe in the same Wine session sends the window a message every 100 ms (timing the
# answer) and once a second plays the user (resizes the window, scrolls the adjustment dialog, toggles
# the gradient in the colour dialog). Prints what it measured; fails on a crash, a hang, or a close that
# takes more than 5 s. Not part of the test suite.
#   scripts/soak.sh [minutes]        (default 10)
# VX_BUILD names the x86_64 build directory (default build/x64); REL_LOG collects the program's own
# output (a crash report, for one). The run uses a private copy of the
# project's Wine prefix and its own display, so that no other program's windows can meet it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-10}
build=${VX_BUILD:-$root/build/x64}
source "$root/scripts/reliability-env.sh"
rel_setup || exit 1

rel_start || rel_fail "the program did not start"
echo "soak: vextral.exe (pid $pid) up; flooding both streams for $minutes minutes"
rel_type "$(rel_winpath "$child") flood 0 soak"
sleep 2

samples=$(mktemp)
(
  while kill -0 "$pid" 2>/dev/null; do
    echo "$(date +%s) $(rel_private_kb "$pid")" >> "$samples"
    sleep 10
  done
) &
sampler=$!
vx_wine "$probe" watch $((minutes * 60)) 30 | tr -d '\r'
probe_rc=${PIPESTATUS[0]}
kill "$sampler" 2>/dev/null; wait "$sampler" 2>/dev/null

kill -0 "$pid" 2>/dev/null || rel_fail "the program is gone (crash?)"
[ "$probe_rc" -eq 0 ] || rel_fail "the probe lost the window"

# Memory: the Linux process's private memory (Wine, Mesa and the program) after the first minute and
# at the end.
start_s=$(head -1 "$samples" | cut -d' ' -f1)
first=$(awk -v t="$start_s" '$1 >= t + 60 { print $2; exit }' "$samples")
last=$(tail -1 "$samples" | cut -d' ' -f2)
min=$(awk -v t="$start_s" '$1 >= t + 60 { if (m == "" || $2 < m) m = $2 } END { print m }' "$samples")
max=$(awk -v t="$start_s" '$1 >= t + 60 { if ($2 > m) m = $2 } END { print m }' "$samples")
echo "soak: private memory a minute apart (kB): $(awk -v t="$start_s" '$1 >= t + n * 60 { printf "%s ", $2; n++ }' "$samples")"
echo "soak: private memory after 1 min ${first:-?} kB, at the end $last kB, range after 1 min ${min:-?}..${max:-?} kB"
if [ -n "${first:-}" ]; then
  awk -v a="$first" -v b="$max" 'BEGIN { printf "soak: growth after the first minute %.1f %%\n", (b - a) * 100 / a }'
fi
rm -f "$samples"

# Close in the middle of the flood, as a person would: Alt+F4.
ms=$(rel_close_keys alt+F4)
echo "soak: closed with Alt+F4 during the flood in $ms ms"
[ "$ms" -ge 0 ] && [ "$ms" -le 5000 ] || rel_fail "close took too long"
rel_leftovers
rel_teardown
