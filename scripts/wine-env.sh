# Sourced by the run, test and benchmark scripts: the environment in which Vextral runs under Wine.
# Sets up (once) the project's own Wine prefix with a Japanese locale, so the ANSI code page is
# 932, and with font replacements so that the Japanese system faces resolve to the IPA fonts.
# Defines vx_start_display, which starts a virtual X display when none is set.

VX_ROOT=${VX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# The 64-bit loader, named directly: the kernels of many of our machines run no 32-bit (i386) Linux
# code, so Wine's 32-bit loader cannot start there, and Debian's `wine` wrapper would pick it whenever
# it is installed. The program's x86_64 build runs everywhere; the i686 build runs (handed over by the
# 64-bit loader to the 32-bit one) only where vx_runs_i686 says so.
# WINELOADER and WINESERVER are the paths Wine itself starts its programs and its server by; inside the
# root they are the same paths. The scripts call vx_wine and vx_wineserver, which enter the root first.
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
# VX_WINE_EXEC is the loader's command line, for `exec`: each step of it execs the next, so the pid of
# a program started by it is the Wine process's own.
# With VX_WINE_ROOT naming the Debian 13 root of scripts/wine10-root.sh, Wine runs from there (Wine 10:
# the screen presents through its own pixel format, as on Windows), on a prefix of its own: a prefix
# that Wine 10 has updated is no longer one for Wine 8.
if [ -n "${VX_WINE_ROOT:-}" ]; then
  export WINEPREFIX=${VEXTRAL_WINEPREFIX:-$VX_ROOT/.cache/wine10}
  vx_in_root=("$VX_ROOT/scripts/in-root")
else
  export WINEPREFIX=${VEXTRAL_WINEPREFIX:-$VX_ROOT/.cache/wine64}
  vx_in_root=()
fi
VX_WINE_EXEC=("${vx_in_root[@]}" "$WINELOADER")
vx_wine() { "${VX_WINE_EXEC[@]}" "$@"; }
vx_wineserver() { "${vx_in_root[@]}" "$WINESERVER" "$@"; }
# The program's main window, once it shows (up to about 20 s): sets win to its id, empty when none came.
vx_find_window() {
  win=
  local i
  for i in $(seq 100); do
    win=$(xdotool search --onlyvisible --name '^Vextral$' 2>/dev/null | head -1)
    [ -n "$win" ] && return 0
    sleep 0.2
  done
  return 1
}
# True where Wine's 32-bit loader is installed and the kernel runs it: the i686 build can run here. The
# 64-bit loader hands a 32-bit program over to it by itself.
vx_runs_i686() { [ -z "${VX_WINE_ROOT:-}" ] && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }
# Stops the prefix's Wine server and everything running in it; no server running is no failure
# (wineserver -k then returns 1, which would end a caller under set -e).
vx_kill_server() { vx_wineserver -k >/dev/null 2>&1 || true; }
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

vx_init_prefix() {
  local stamp="$WINEPREFIX/.vextral-ready-3"
  if [ -f "$stamp" ]; then
    # A prefix made before the 32-bit loader was installed has no 32-bit system DLLs; removing the
    # update stamp makes wineboot install them.
    if vx_runs_i686 && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
      rm -f "$WINEPREFIX/.update-timestamp"
      vx_wine wineboot -u >/dev/null 2>&1 || true
    fi
    return 0
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  vx_wine wineboot -i >/dev/null 2>&1 || true
  # Font replacements: the faces the program asks for, mapped onto the IPA fonts.
  local reg
  # In the prefix, not in /tmp: Wine may run in the Debian 13 root, which sees the repository only.
  reg="$WINEPREFIX/vextral-init.reg"
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"ＭＳ Ｐ明朝"="IPAPMincho"\r\n'
    printf '"ＭＳ Ｐゴシック"="IPAPGothic"\r\n'
    printf '"ＭＳ 明朝"="IPAMincho"\r\n'
    printf '"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '\r\n'
    # A virtual display has no window manager: Wine draws the frames and captions itself and does not
    # wait for a window manager to confirm that a hidden window is gone (a second for every dialog,
    # popup or tooltip that closes).
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n'
    printf '"Decorated"="N"\r\n'
    printf '"Managed"="N"\r\n'
    printf '\r\n'
  } | iconv -f UTF-8 -t UTF-16 > "$reg"
  vx_wine regedit /S "$reg" >/dev/null 2>&1
  rm -f "$reg"
  # Marlett, the font of the caption's buttons (minimize, maximize, close) and of the check marks and
  # arrows Wine draws itself. Debian's Wine 8 never opens /usr/share/wine/fonts, where fonts-wine puts
  # it (traced: only the prefix's Fonts folder and fontconfig's folders are read, also when a new prefix
  # is made), so without this every caption shows the letters "0", "1" and "r" in a fallback face.
  # Wine loads every font file in the prefix's Fonts folder.
  # (The link names the file as Wine sees it: inside the root, the root's own.)
  local marlett
  for marlett in "$(dirname "$WINELOADER")/../../share/wine/fonts/marlett.ttf" /usr/share/wine/fonts/marlett.ttf; do
    if [ -f "${VX_WINE_ROOT:-}$marlett" ]; then
      ln -sf "$(realpath -m "$marlett")" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
      break
    fi
  done
  touch "$stamp"
}

# The virtual display of the prefix. Wine's desktop process stays on the display it was started with,
# and every later program of the same prefix shows its windows there; so a prefix keeps one display for
# as long as it lives, recorded in $WINEPREFIX/.vextral-display, and starting a new one also restarts
# the prefix's Wine server. vx_start_display sets DISPLAY to it (starting it when needed) unless
# DISPLAY is already set; VX_XVFB_PID names a display started by this call.
vx_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local record="$WINEPREFIX/.vextral-display" n
  if [ -f "$record" ]; then
    n=$(cat "$record")
    if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
      export DISPLAY=":$n"
      return 0
    fi
  fi
  n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  setsid Xvfb ":$n" -screen 0 1280x1024x24 +extension GLX -nolisten tcp >/dev/null 2>&1 < /dev/null &
  VX_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do
    if xdpyinfo >/dev/null 2>&1; then
      mkdir -p "$WINEPREFIX"
      echo "$n" > "$record"
      vx_kill_server
      return 0
    fi
    sleep 0.1
  done
  echo "wine-env: Xvfb on $DISPLAY did not start" >&2
  return 1
}

# Stops the display that vx_start_display started, with the prefix's Wine server.
vx_stop_display() {
  if [ -n "${VX_XVFB_PID:-}" ]; then
    vx_kill_server
    kill "$VX_XVFB_PID" 2>/dev/null
    wait "$VX_XVFB_PID" 2>/dev/null
    rm -f "$WINEPREFIX/.vextral-display"
    VX_XVFB_PID=
  fi
}
