#!/bin/bash
# Sourced by the build and test scripts: a private Wine prefix inside the
# build tree, an Xvfb display and a persistent wineserver for one run.
#   wine_env_start BUILD_DIR   starts them and exports the environment
#   wine_env_stop              stops only what wine_env_start started
#   wine_env_xvfb [ARGS]       starts one more Xvfb display (see below)

WINE_BIN=/usr/lib/wine/wine64
[ -x "$WINE_BIN" ] || WINE_BIN=$(command -v wine)

_wine_env_xvfb_pid=""

wine_env_start() {
  local build_dir
  build_dir=$(cd "$1" && pwd)
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEDEBUG=-all
  export WINELOADER="$WINE_BIN"
  export WINEARCH=win64
  export LC_ALL=ja_JP.UTF-8
  # No Mono or Gecko download prompts: nothing here needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINE="$WINE_BIN"

  if [ -z "${PW_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    wine_env_xvfb || return 1
    _wine_env_xvfb_pid=$WINE_ENV_XVFB_PID
  fi

  if [ ! -f "$WINEPREFIX/.pw-ready" ]; then
    echo "wine-env: initialising $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    "$WINE_BIN" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    _wine_env_configure_prefix
    touch "$WINEPREFIX/.pw-ready"
  fi
  wineserver -p
  # A trivial start wakes the server so the first test does not pay for it.
  "$WINE_BIN" cmd /c exit 0 >/dev/null 2>&1 || true
}

# Starts an Xvfb display on a free number and exports DISPLAY; its process id is
# left in WINE_ENV_XVFB_PID. Extra arguments go to Xvfb (e.g. -maxclients 1024).
wine_env_xvfb() {
  local fifo num
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp "$@" 3>"$fifo" >/dev/null 2>&1 &
  WINE_ENV_XVFB_PID=$!
  read -r -t 20 num <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$num" ]; then
    echo "wine-env: Xvfb did not start" >&2
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    return 1
  fi
  export DISPLAY=":$num"
}

_wine_env_reg() {
  "$WINE_BIN" reg add "$@" /f >/dev/null 2>&1
}

_wine_env_configure_prefix() {
  # Without a window manager nothing draws frames; Wine draws them itself
  # when not "decorated", so non-client pixels read normally.
  _wine_env_reg 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N
  # Japanese glyphs for dialog fonts and captions.
  _wine_env_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'MS UI Gothic' /t REG_SZ /d IPAGothic
  _wine_env_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'MS Shell Dlg' /t REG_SZ /d IPAGothic
  _wine_env_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic'
  _wine_env_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v 'MS Shell Dlg' /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic'
  wineserver -w
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$_wine_env_xvfb_pid" ]; then
    kill "$_wine_env_xvfb_pid" 2>/dev/null || true
    wait "$_wine_env_xvfb_pid" 2>/dev/null || true
    _wine_env_xvfb_pid=""
  fi
}
