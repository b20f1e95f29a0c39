# Sourced by soak.sh and faults.sh: a private Wine prefix and display for the real vextral.exe, and the
# ways a person starts, types into, closes and breaks it. Expects $root and $build.

# A copy of the project's prefix, made once: another program of the shared prefix could have a window
# titled "Vextral" too (the tests' windows have), and these runs find the window by its title.
rel_setup() {
  source "$root/scripts/wine-env.sh"
  vx_init_prefix
  local private=${VX_REL_PREFIX:-$root/.cache/wine64-rel}
  if [ ! -f "$private/.vextral-ready" ]; then
    rm -rf "$private"
    cp -a "$WINEPREFIX" "$private" || return 1
    rm -f "$private/.vextral-display"
  fi
  export WINEPREFIX=$private
  unset DISPLAY
  vx_start_display || return 1
  vx_wineserver -p >/dev/null 2>&1
  exe=$build/vextral.exe
  child=$build/tests/reliability/reliability_child.exe
  probe=$build/tests/reliability/vx_probe.exe
  for f in "$exe" "$child" "$probe"; do
    [ -f "$f" ] || { echo "missing $f (build vextral, reliability_child and vx_probe)" >&2; return 1; }
  done
  trap rel_teardown EXIT
}

rel_teardown() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  vx_kill_server
  vx_stop_display
}

rel_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rel_winpath() { echo "Z:${1//\//\\}"; }

# Starts vextral.exe with no stored settings (unless $1 is "keep") and waits for its window and prompt.
rel_start() {
  [ "${1:-}" = keep ] || vx_wine reg delete 'HKCU\Software\Tarnel\vextral' /f >/dev/null 2>&1
  (cd /tmp && exec "${VX_WINE_EXEC[@]}" "$exe" >>"${REL_LOG:-/dev/null}" 2>&1) &
  pid=$!
  win=
  local i
  for i in $(seq 150); do
    win=$(xdotool search --onlyvisible --name '^Vextral$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || return 1
  sleep 1.5  # the interpreter's greeting and prompt
}

# Types a line into the entry box and sends it.
rel_type() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 10)) click 1
  xdotool type --delay 5 "$1"
  xdotool key Return
}

# Milliseconds until the program's process has ended, counted from now; -1 after 15 s.
rel_wait_end() {
  local t0 i
  t0=$(date +%s%N)
  for i in $(seq 1500); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo -1
    return
  fi
  wait "$pid" 2>/dev/null
  pid=
  echo $((($(date +%s%N) - t0) / 1000000))
}

rel_close_keys() {
  xdotool windowfocus --sync "$win" 2>/dev/null
  xdotool key "$1"
  rel_wait_end
}

# The caption's close button: Wine draws the frame itself (no window manager on the virtual display).
rel_close_caption() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH - 12)) $((Y + 10)) click 1
  rel_wait_end
}

# Private memory of a Linux process in kB.
rel_private_kb() {
  awk '/^Private_(Clean|Dirty):/ { s += $2 } END { print s + 0 }' "/proc/$1/smaps_rollup" 2>/dev/null
}

# The Linux processes of this private prefix that the program may have started: any but Wine's own
# services and desktop, and the program itself.
rel_children() {
  local p
  for p in $(pgrep -if '\.exe' 2>/dev/null); do
    grep -qiE '(services|winedevice|plugplay|svchost|rpcss|explorer|vextral|vx_probe|winedbg|start|reg|wineboot)\.exe' \
      "/proc/$p/cmdline" 2>/dev/null && continue
    { tr '\0' '\n' < "/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}

# Whatever the program started must be gone within 5 s of its end.
rel_leftovers() {
  local i
  for i in $(seq 50); do
    [ -z "$(rel_children)" ] && return 0
    sleep 0.1
  done
  echo "leftover processes: $(rel_children | tr '\n' ' ')"
  return 1
}
