#!/usr/bin/env bash
# Builds the libFuzzer targets (native, clang, ASan + UBSan) and runs each for the given number of
# seconds (default 10) over its corpus in fuzz/corpus/<target>; new inputs found go to a scratch corpus,
# not into the repository. A crash or sanitizer report fails the run.
#   scripts/fuzz.sh            a short pass (CI)
#   scripts/fuzz.sh 600        ten minutes per target
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
dir=${VX_FUZZ_BUILD:-$root/build/fuzz}  # VX_FUZZ_BUILD: a build directory of one's own
if [ ! -f "$dir/build.ninja" ]; then
  cmake -G Ninja -S "$root" -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVX_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja --quiet -C "$dir" $(cd "$root/fuzz/corpus" && for t in *; do echo "fuzz_$t"; done)
# A small quarantine and no allocation stacks: overflows and use-after-free of recent blocks are still
# caught, at nearly twice the executions a second for the allocation-heavy glyph target.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=1:malloc_context_size=0}
status=0
for corpus in "$root"/fuzz/corpus/*/; do
  target=$(basename "$corpus")
  scratch=$(mktemp -d)
  # Glyph outline buffers stay under 4 KB (the largest of the Japanese screen fonts here, a Mincho
  # kanji, is 3.4 KB); longer inputs slow the tessellator down without reaching new code.
  max_len=65536
  [ "$target" = glyph_outline ] && max_len=4096
  echo "== fuzz_$target: $seconds s"
  if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
        -artifact_prefix="$root/build/fuzz/artifacts-" \
        "$scratch" "$corpus" 2>"$scratch.log"; then
    tail -40 "$scratch.log"
    echo "fuzz: fuzz_$target FAILED" >&2
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$scratch.log" | tail -2
  fi
  rm -rf "$scratch" "$scratch.log"
done
exit $status
