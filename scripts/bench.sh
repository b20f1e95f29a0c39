#!/usr/bin/env bash
# Builds the benchmark programs of the x86_64 build and runs them all under Wine, on a virtual display
# when none is set. Each program prints its figures beside the references it measured in the same run,
# the ratio between the two and whether the target is met; a summary of the targets follows at the end.
# Benchmarks assert nothing: the exit status is 0 whatever the figures.
#
# Usage: scripts/bench.sh [B1 B2 ...]     (default: all)
#   B1 burst, B2 echo (bench_console), B3 glyphs (bench_glyph), B4 frame (bench_frame), B5 memory
#   (bench_memory), B6 start (bench_start), B7 scrollback (bench_scroll), B8 window size (bench_scale; figures
#   only, no target), B9 picture quality (bench_quality), B10 find (bench_find), B11 file-name completion in
#   20,000 files (bench_complete), B12 pasted block (bench_paste)
#   VX_BENCH_BUILD=<dir>  use that configured x86_64 build directory instead of build/x64
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

if [ -n "${VX_BENCH_BUILD:-}" ]; then
  build=$VX_BENCH_BUILD
  ninja --quiet -C "$build" benchmarks || exit 1
else
  build=$root/build/x64
  "$root/scripts/build.sh" x64 benchmarks || exit 1
fi

# Figure names -> the program that measures them, in the order they run.
declare -A program=([B1]=bench_console [B2]=bench_console [B3]=bench_glyph [B4]=bench_frame
                    [B5]=bench_memory [B6]=bench_start [B7]=bench_scroll [B8]=bench_scale
                    [B9]=bench_quality [B10]=bench_find [B11]=bench_complete [B12]=bench_paste)
wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=(B1 B2 B3 B4 B5 B6 B7 B8 B9 B10 B11 B12)
runs=()
for figure in "${wanted[@]}"; do
  p=${program[$figure]:-}
  [ -n "$p" ] || { echo "bench: unknown figure $figure (B1 to B12)" >&2; exit 2; }
  [[ " ${runs[*]} " == *" $p "* ]] || runs+=("$p")
done

vx_init_prefix
vx_start_display || exit 1
vx_wineserver -p >/dev/null 2>&1
out=$(mktemp)
trap 'rm -f "$out"; vx_stop_display' EXIT

echo "Vextral benchmarks: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for p in "${runs[@]}"; do
  echo "== $p"
  # Wine's console writes line ends as CR LF.
  (cd "$build/bench" && vx_wine "./$p.exe" 2>/dev/null) | tr -d '\r' | tee -a "$out"
done

echo "== summary"
grep -E '\| target' "$out" | sed -E 's/^(\[B[0-9]+\]) ([^|]*[^ ]) +\|.*ratio +([0-9.]+) \| target (.*) \| (.*)$/\1 \2: ratio \3 (target \4) \5/'
# Figures without a target (B8): their ratios.
grep -E '^\[B8\] +(burst|frame) maximised / default' "$out" | sed -E 's/^(\[B8\]) +/\1 /'
met=$(grep -cE '\| met$' "$out")
total=$(grep -cE '\| target' "$out")
echo "$met of $total targets met"
exit 0
