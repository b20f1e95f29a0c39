#!/usr/bin/env bash
# Chaos: randomised scenarios against the program's main window under Wine, played through the X server
# as a person would: bursts of typed lines (each echoing a token of its own), pasted blocks of such
# lines, floods of both streams, long programs with lines typed behind them, Ctrl+C and Ctrl+Break at
# random moments, resizes, the adjustment, colour and font dialogs, scrolling; then one of the ways to
# close it. After each scenario:
# the process ended within 5 s of the close, nothing of the prefix is left running, the settings were
# saved and are valid, and every accepted token reached the screen's text exactly once and in order
# (scripts/chaos-check.awk; the tokens a restart could have discarded are counted apart).
#   scripts/chaos.sh [scenarios] [seed]        (default 10; the seed of the first scenario, default
#                                               random, also from VX_CHAOS_SEED)
# Scenario k runs with seed+k-1, printed first: `scripts/chaos.sh 1 SEED` replays it (the same actions;
# their timing against the program's is not the same). The program is tests/chaos/vx_chaos_host.exe:
# the real main window and message loop with an observer inside (tests/chaos/ChaosHost.cpp). VX_BUILD
# names the x86_64 build (default build/x64; it needs vx_chaos_host, reliability_child, vx_probe and
# vextral). The runs use a private copy of the project's Wine prefix (VX_REL_PREFIX, default
# .cache/wine64-chaos) and a display of their own. A failed scenario's files (the host's log, the screen
# texts, the tokens typed) are kept in VX_CHAOS_KEEP (default .cache/chaos-failures); every scenario's
# with VX_CHAOS_KEEP_ALL=1.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-10}
first_seed=${2:-${VX_CHAOS_SEED:-$(((RANDOM << 15 | RANDOM) % 1000000))}}
build=$(realpath -m "${VX_BUILD:-$root/build/x64}")  # the program starts from /tmp
keep_dir=${VX_CHAOS_KEEP:-$root/.cache/chaos-failures}
export VX_REL_PREFIX=${VX_REL_PREFIX:-$root/.cache/wine64-chaos}
checker=$root/scripts/chaos-check.awk

# The checker must catch what it is there to catch: a lost, a doubled and a reordered token fail, a
# token at risk may be missing, a clean run passes.
checker_self_test() {
  local d f
  d=$(mktemp -d)
  f=$d/log
  run() {  # expected exit code, then the screen's token rows; the log is in $d/log
    printf '%s\n' "${@:2}" > "$f.screen1"
    LC_ALL=C awk -v intended=/dev/null -f "$checker" "$f" >/dev/null
    [ $? -eq "$1" ] || { echo "chaos: the checker is broken (case: ${*:2})" >&2; rm -rf "$d"; exit 1; }
  }
  printf 'T 1 echo tok-1-1.\nS tok-1-1.\nT 2 echo tok-1-2.\nS tok-1-2.\nD 1 last=1 complete=1 from_banner=1\n' > "$f"
  run 0 '******************************************' 'tok-1-1.' 'tok-1-2.'
  run 1 '******************************************' 'tok-1-2.'
  run 1 '******************************************' 'tok-1-1.' 'tok-1-2.' 'tok-1-2.'
  run 1 '******************************************' 'tok-1-2.' 'tok-1-1.'
  printf 'T 1 echo tok-1-1.\nS tok-1-1.\nT 2 echo tok-1-2.\nK\nD 1 last=1 complete=1 from_banner=1\n' > "$f"
  run 0 '******************************************' 'tok-1-1.'
  rm -rf "$d"
}
checker_self_test

source "$root/scripts/reliability-env.sh"
rel_setup || exit 1
host=$build/tests/chaos/vx_chaos_host.exe
[ -f "$host" ] || rel_fail "missing $host (build vx_chaos_host)"
exe=$host
version=$("$root/scripts/version") || exit 1
child_win=$(rel_winpath "$child")
work=$(mktemp -d /tmp/vx-chaos.XXXXXX)
trap 'rel_teardown; rm -rf "$work"' EXIT

# A number below $1 in R, from the scenario's seeded sequence ($RANDOM in this shell only: a subshell
# would not advance it).
rnd() { R=$((RANDOM % $1)); }
# A pause of $1..$2 ms.
pause() { rnd $(($2 - $1 + 1)); sleep "$(printf '%d.%03d' $((($1 + R) / 1000)) $((($1 + R) % 1000)))"; }

geometry() { eval "$(xdotool getwindowgeometry --shell "$win")"; }
focus_entry() { geometry; xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 10)) click 1; }
type_line() { xdotool type --delay 4 "$1"; xdotool key Return; }
type_tokens() {
  local i t
  for ((i = 0; i < $1; i++)); do
    ntok=$((ntok + 1))
    t="tok-$seed-$ntok."
    echo "$t" >> "$typed"
    type_line "echo $t"
  done
}

# Tokens typed and not yet on the screen, but those refused or at risk (see chaos-check.awk). The
# window may not have taken a typed line yet (its thread busy): the typed list, not the log, counts.
pending() {
  LC_ALL=C awk -v typed="$typed" 'BEGIN { while ((getline t < typed) > 0) o[++n] = t }
       $1 == "T" && match($0, /tok-[0-9]+-[0-9]+\./) { t = substr($0, RSTART, RLENGTH); e[t] = 1; l[$2] = t }
       $1 == "R" { r[l[$2]] = 1 }
       $1 == "S" { s[$2] = 1 }
       $1 == "K" { for (i = 1; i <= n; i++) if ((o[i] in e) && !(o[i] in s)) k[o[i]] = 1 }
       END { c = 0; for (i = 1; i <= n; i++) if (!(o[i] in s) && !(o[i] in r) && !(o[i] in k)) c++; print c }' "$log"
}
# Waits up to $1 s until every token typed is on the screen (but those refused or at risk).
settle() {
  local i
  for ((i = 0; i < $1 * 10; i++)); do
    [ "$(pending)" -eq 0 ] && return 0
    sleep 0.1
  done
  note "settle: $(pending) token(s) still pending after $1 s"
  return 1
}
log_lines() { wc -l < "$log"; }
# Waits up to $2 s for a log line matching $3 after line $1.
wait_log() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    LC_ALL=C awk -v from="$1" -v pattern="$3" 'NR > from && $0 ~ pattern { found = 1 } END { exit !found }' "$log" && return 0
    sleep 0.1
  done
  return 1
}
note() { notes+=("$*"); }

stop_key() {
  local keys=(ctrl+c ctrl+Break)
  rnd 2
  focus_entry
  xdotool key "${keys[$R]}"
  stops=$((stops + 1))
  acts+=("${keys[$R]}")
}

# Opens dialog $1 (adjust, font, colour, about, or menu: the right-click menu alone) through the
# right-click menu or the system menu; true once its window shows.
declare -A menu_down=([adjust]=1 [font]=2 [colour]=3 [about]=5) sys_up=([adjust]=5 [font]=4 [colour]=3 [about]=1)
declare -A title=([adjust]='^画面調整$' [font]='^フォントの指定$' [colour]='^色設定$' [about]='情報$')
open_dialog() {
  local i keys=()
  geometry
  rnd 2
  if [ "$1" = menu ] || [ $R -eq 0 ]; then
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 3)) click 3
    [ "$1" = menu ] && { sleep 0.3; return 0; }
    for ((i = 0; i < ${menu_down[$1]}; i++)); do keys+=(Down); done
  else
    xdotool windowfocus --sync "$win" 2>/dev/null
    xdotool key alt+space
    for ((i = 0; i < ${sys_up[$1]}; i++)); do keys+=(Up); done
  fi
  sleep 0.3
  xdotool key "${keys[@]}" Return
  for ((i = 0; i < 30; i++)); do
    xdotool search --onlyvisible --name "${title[$1]}" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  note "the $1 dialog did not show"
  xdotool key Escape Escape  # whatever menu is still open
  return 1
}
# Closes dialog $1 with Escape, or with Enter (OK) when $2 says so.
close_dialog() {
  local i
  for ((i = 0; i < 3; i++)); do
    if [ "${2:-}" = ok ] && [ $i -eq 0 ]; then xdotool key Return; else xdotool key Escape; fi
    sleep 0.3
    xdotool search --onlyvisible --name "${title[$1]}" >/dev/null 2>&1 || return 0
  done
  note "the $1 dialog stayed open"
  failed=1
}

act_burst() { rnd 5; local n=$((R + 2)); focus_entry; type_tokens $n; acts+=("burst($n)"); }
act_paste() {
  # A pasted block: its lines run as if entered, the unfinished last one when Enter sends it. More than
  # five lines are asked about first (Yes is the default button).
  command -v xclip >/dev/null || { act_burst; return; }
  rnd 9; local n=$((R + 2)) i t block=
  for ((i = 0; i < n; i++)); do
    ntok=$((ntok + 1))
    t="tok-$seed-$ntok."
    echo "$t" >> "$typed"
    block+="echo $t"
    [ $i -lt $((n - 1)) ] && block+=$'\r\n'
  done
  printf '%s' "$block" | xclip -selection clipboard -i
  focus_entry
  xdotool key ctrl+v
  if [ $((n - 1)) -gt 5 ]; then sleep 0.6; xdotool key Return; sleep 0.2; fi
  xdotool key Return
  acts+=("paste($n)")
}
act_long() {
  focus_entry
  type_line "ping -n 3 127.0.0.1 >nul"
  rnd 3; type_tokens $((R + 1))
  acts+=("ping")
  rnd 5; [ $R -lt 2 ] && { pause 200 2000; stop_key; }
}
act_loop() {
  # The interpreter goes on to the next ping when one is ended: a stop finds it busy and restarts it.
  focus_entry
  type_line "for /L %i in (1,1,3) do @ping -n 2 127.0.0.1 >nul"
  rnd 3; type_tokens $((R + 1))
  acts+=("loop")
  pause 300 2500
  local at; at=$(log_lines)
  stop_key
  wait_log "$at" 3 '^K' && acts+=("restart")
}
act_bflood() {
  rnd 2200; local n=$((R + 300))
  focus_entry
  type_line "$child_win flood $n vx-chaos-go"
  rnd 3; type_tokens $R
  acts+=("flood($n)")
}
act_uflood() {
  settle 20
  focus_entry
  type_line "$child_win flood 0 vx-chaos-go"
  rnd 3; type_tokens $R
  pause 100 500
  local at i; at=$(log_lines)
  acts+=("flood")
  for i in 1 2 3; do
    stop_key
    wait_log "$at" 3 '^P' && return 0
  done
  note "the flood went on after three stops"
  failed=1
}
act_stop() { pause 0 400; stop_key; }
act_resize() {
  # Dragged by the frame's corner, as a person does; the window then sizes itself (resizing the X
  # window from outside would only clip it: Wine keeps the window's own size).
  rnd 480; local w=$((R + 420)); rnd 400; local h=$((R + 300))
  geometry
  xdotool mousemove $((X + WIDTH - 2)) $((Y + HEIGHT - 2)) mousedown 1 mousemove $((X + w / 2)) $((Y + h / 2)) \
    mousemove $((X + w - 2)) $((Y + h - 2)) mouseup 1
  sleep 0.2
  acts+=("size ${w}x$h")
}
act_dialog() {
  local kinds=(adjust colour) k
  rnd 2; k=${kinds[$R]}
  open_dialog $k || return
  pause 100 600
  rnd 2; [ $k = colour ] && [ $R -eq 0 ] && { close_dialog $k ok; acts+=("$k ok"); return; }
  close_dialog $k; acts+=("$k")
}
act_font() {
  open_dialog font || return
  pause 100 600
  rnd 2; if [ $R -eq 0 ]; then close_dialog font ok; acts+=("font ok"); else close_dialog font; acts+=("font"); fi
}
act_scroll() {
  local keys=(shift+Prior shift+Next ctrl+shift+Up ctrl+shift+Down ctrl+shift+Home ctrl+shift+End) i n
  focus_entry
  rnd 4; n=$((R + 1))
  for ((i = 0; i < n; i++)); do rnd 6; xdotool key "${keys[$R]}"; done
  acts+=("scroll($n)")
}
# Weights of the actions, in percent.
actions=(burst:22 paste:8 long:12 loop:8 bflood:10 uflood:6 stop:6 resize:8 dialog:8 font:4 scroll:8)
pick_action() {
  local a w
  rnd 100
  w=$R
  for a in "${actions[@]}"; do
    w=$((w - ${a#*:}))
    [ $w -lt 0 ] && { act=${a%:*}; return; }
  done
}

# Ends the scenario one way; sets close_path, and t0 to the moment the close was asked for.
close_scenario() {
  local paths=(altf4 caption sysmenu exit killcmd flood dialog restart) kinds=(adjust colour font about menu) k
  rnd ${#paths[@]}
  close_path=${paths[$R]}
  case $close_path in
    altf4) xdotool windowfocus --sync "$win" 2>/dev/null; xdotool key alt+F4; t0=$(date +%s%N) ;;
    caption) geometry; xdotool mousemove $((X + WIDTH - 12)) $((Y + 10)) click 1; t0=$(date +%s%N) ;;
    sysmenu) xdotool windowfocus --sync "$win" 2>/dev/null; xdotool key alt+space; sleep 0.3; xdotool key c
             t0=$(date +%s%N) ;;
    exit) focus_entry; type_line exit; t0=$(date +%s%N) ;;
    killcmd) vx_wine "$probe" killcmd >/dev/null 2>&1; t0=$(date +%s%N) ;;
    flood)
      focus_entry
      type_line "$child_win flood 0 vx-chaos-go"
      pause 300 1500
      xdotool windowfocus --sync "$win" 2>/dev/null; xdotool key alt+F4; t0=$(date +%s%N) ;;
    dialog)
      rnd 5; k=${kinds[$R]}
      close_path="dialog($k)"
      open_dialog $k
      vx_wine "$probe" killcmd >/dev/null 2>&1; t0=$(date +%s%N) ;;
    restart)
      local at
      focus_entry
      type_line "for /L %i in (1,1,5) do @ping -n 2 127.0.0.1 >nul"
      pause 300 1200
      at=$(log_lines)
      stop_key
      wait_log "$at" 3 '^K' || close_path="restart(none began)"
      xdotool windowfocus --sync "$win" 2>/dev/null; xdotool key alt+F4; t0=$(date +%s%N) ;;
  esac
}

# Waits up to 15 s for the program to end; sets close_ms (-1: still running) and exit_rc.
wait_end() {
  local i
  for ((i = 0; i < 1500; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  close_ms=$((($(date +%s%N) - t0) / 1000000))
  if kill -0 "$pid" 2>/dev/null; then
    # Evidence first: every thread's stack in the prefix, then the end. A process that Wine counts as
    # ended already but whose Linux process lives on is missing from winedbg's list: its threads'
    # Linux stacks (gdb, where installed) and kernel waits show where it stands.
    close_ms=-1
    timeout 120 "${VX_WINE_EXEC[@]}" winedbg --command "bt all" > "$log.bt" 2>&1
    {
      echo "== Linux threads of $pid"
      for t in /proc/"$pid"/task/*; do echo "$(basename "$t") $(cat "$t/comm" 2>/dev/null) $(cat "$t/wchan" 2>/dev/null) $(cut -d' ' -f3 "$t/stat" 2>/dev/null)"; done
      command -v gdb >/dev/null && timeout 120 gdb -p "$pid" -batch -ex "thread apply all bt" 2>&1
    } > "$log.linux-bt"
    note "still running 15 s after the close: the stacks of every thread are kept with the files (.bt, .linux-bt)"
    kill "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  exit_rc=$?
  pid=
}

# The little-endian 32-bit number at byte $2 of the hex string $1.
le32() { local h=${1:$(($2 * 2)):8}; echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2})); }
# The stored settings: "ver" the version text, "datas" 140 bytes whose placement length is 44, whose
# show state is normal, whose outer size is the window's last size ($1 x $2), and whose font has a face
# name.
settings_ok() {
  local out data ver w h
  out=$(vx_wine reg query 'HKCU\Software\Tarnel\vextral' 2>/dev/null | tr -d '\r')
  ver=$(awk '$1 == "ver" && $2 == "REG_SZ" { $1 = $2 = ""; sub(/^ +/, ""); print }' <<< "$out")
  data=$(awk '$1 == "datas" && $2 == "REG_BINARY" { print $3 }' <<< "$out")
  [ "$ver" = "Version $version" ] || { note "settings: ver is '$ver'"; return 1; }
  [ ${#data} -eq 280 ] || { note "settings: datas has $((${#data} / 2)) bytes"; return 1; }
  [ "$(le32 "$data" 0)" -eq 44 ] || { note "settings: placement length $(le32 "$data" 0)"; return 1; }
  [ "$(le32 "$data" 8)" -eq 1 ] || { note "settings: show state $(le32 "$data" 8)"; return 1; }
  w=$(($(le32 "$data" 36) - $(le32 "$data" 28)))
  h=$(($(le32 "$data" 40) - $(le32 "$data" 32)))
  [ "$w" -eq "$1" ] && [ "$h" -eq "$2" ] || { note "settings: stored size ${w}x$h, the window was $1x$2"; return 1; }
  [ "${data:144:2}" != 00 ] || { note "settings: no face name"; return 1; }
}

scenario() {
  local index=$1 act i nacts
  seed=$2
  RANDOM=$seed
  log=$work/s$seed.log
  typed=$work/s$seed.typed
  : > "$typed"
  rm -f "$log"*
  export VX_CHAOS_LOG=$(rel_winpath "$log")
  ntok=0 stops=0 failed=0 acts=() notes=()
  local start_mode=fresh
  rnd 3; [ $R -eq 0 ] && start_mode=keep
  echo "chaos: scenario $index/$count seed $seed ($start_mode settings)"
  local began=$SECONDS
  if ! rel_start $start_mode || ! wait_log 0 10 '^ready'; then
    echo "chaos: seed $seed: FAIL: the program did not start"
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    failures+=("$seed (no start)")
    return
  fi
  rnd 8; nacts=$((R + 10))
  for ((i = 0; i < nacts; i++)); do
    pick_action
    "act_$act"
    kill -0 "$pid" 2>/dev/null || { note "the program ended during $act"; failed=1; break; }
  done
  local last_w=0 last_h=0
  if kill -0 "$pid" 2>/dev/null; then
    settle 20 || true
    geometry
    last_w=$WIDTH last_h=$HEIGHT
    close_scenario
    wait_end
  else
    close_path="(ended early)"; close_ms=-1; wait "$pid" 2>/dev/null; exit_rc=$?; pid=
  fi
  echo "chaos:   actions: ${acts[*]}"
  echo "chaos:   stop keys $stops, restarts begun $(grep -c '^K' "$log")"
  echo "chaos:   close: $close_path in $close_ms ms (exit code $exit_rc)"
  if [ "$close_ms" -lt 0 ] || [ "$close_ms" -gt 5000 ]; then failed=1; note "close took too long"; fi
  [ "$close_ms" -ge 0 ] && close_times+=("$close_ms")
  [ "$exit_rc" -eq 0 ] || { failed=1; note "exit code $exit_rc"; }
  local left
  if left=$(rel_leftovers); then echo "chaos:   leftovers: none"; else
    echo "chaos:   leftovers: $left"; leftovers=$((leftovers + 1)); failed=1
    # They are this scenario's: ended here, so that the next one starts clean.
    rel_children | xargs -r kill -9 2>/dev/null
  fi
  if settings_ok $last_w $last_h; then echo "chaos:   settings: saved and valid"; else failed=1; fi
  # The records the screen drew last are the scrollback's last rows.
  local last
  last=$(grep -c '^D ' "$log")
  if [ -f "$log.live" ] && ! tail -n "$(wc -l < "$log.live")" "$log.screen$last" | cmp -s - "$log.live"; then
    note "the screen's records differ from the scrollback's last rows"
    failed=1
  fi
  local check rc
  check=$(LC_ALL=C awk -v intended="$typed" -f "$checker" "$log")
  rc=$?
  grep -v '^chaos-figures' <<< "$check" | sed 's/^/chaos:   /'
  figures+=("$(grep '^chaos-figures' <<< "$check")")
  echo "chaos:   screen: $(grep '^D ' "$log" | tail -1 | cut -d' ' -f3-)"
  [ $rc -eq 0 ] || failed=1
  for i in "${notes[@]}"; do echo "chaos:   note: $i"; done
  if [ $failed -eq 0 ]; then
    echo "chaos:   PASS ($((SECONDS - began)) s)"
    [ "${VX_CHAOS_KEEP_ALL:-}" = 1 ] && mkdir -p "$keep_dir" && cp "$log"* "$typed" "$keep_dir/"
  else
    mkdir -p "$keep_dir"
    cp "$log"* "$typed" "$keep_dir/" 2>/dev/null
    echo "chaos:   FAIL (seed $seed; files kept in $keep_dir/s$seed.*)"
    failures+=("$seed")
  fi
}

echo "chaos: $count scenario(s) from seed $first_seed (replay one: scripts/chaos.sh 1 SEED)"
failures=() close_times=() figures=() leftovers=0
for ((n = 1; n <= count; n++)); do
  scenario $n $((first_seed + n - 1))
done

sorted=$(printf '%s\n' "${close_times[@]}" | sort -n)
median=$(awk '{ a[NR] = $1 } END { if (NR) print a[int((NR + 1) / 2)]; else print "-" }' <<< "$sorted")
worst=$(tail -1 <<< "$sorted")
totals=$(printf '%s\n' "${figures[@]}" | awk '{ for (i = 2; i <= NF; i++) { split($i, kv, "="); s[kv[1]] += kv[2] } }
  END { printf "accepted %d, on the screen once and in order %d, lost outside the risk %d, at risk %d (arrived %d, discarded %d), check faults %d",
        s["accepted"], s["ok"], s["lost"], s["risk"], s["risk_arrived"], s["risk_lost"], s["faults"] }')
echo "chaos: $count scenario(s), ${#failures[@]} failed${failures:+ (seeds: ${failures[*]})}"
echo "chaos: close times: median ${median:--} ms, worst ${worst:--} ms; scenarios with leftovers: $leftovers"
echo "chaos: tokens: $totals"
[ ${#failures[@]} -eq 0 ]
