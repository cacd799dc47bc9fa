# Shared by the run and test scripts: build directories, the Wine prefix and
# the virtual display. Source it; it defines functions and variables only.

VT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VT_BUILD=${VT_BUILD:-$VT_ROOT/build}
VT_JOBS=${VT_JOBS:-$(nproc)}
export WINEPREFIX=${WINEPREFIX:-$VT_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8

vt_log() { printf '== %s\n' "$*" >&2; }

# configure_and_build DIR [cmake options...]
vt_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$VT_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$VT_JOBS"
}

vt_build_windows() {
  vt_build "$VT_BUILD/windows" -DCMAKE_TOOLCHAIN_FILE="$VT_ROOT/cmake/mingw-i686.cmake"
}

# A 64-bit prefix whose 32-bit system folder is syswow64; fonts that the
# program asks for by name are mapped to the Debian fonts installed.
vt_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.vantrelis-ready" ]; then
    vt_log "preparing Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    WINEARCH=win64 wineboot -i >/dev/null 2>&1
    wineserver -w
    local reg="$WINEPREFIX/vantrelis.reg"
    python3 - "$reg" <<'PY'
import sys
text = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Microsoft Sans Serif"="Liberation Sans"
"Arial"="Liberation Sans"
"メイリオ"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000
"""
with open(sys.argv[1], "w", encoding="utf-16") as out:
    out.write(text.replace("\n", "\r\n"))
PY
    wine regedit /S "$reg" >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.vantrelis-ready"
  fi
}

# The folder Windows programs in the prefix see as C:\windows\syswow64.
vt_system32_folder() { echo "$WINEPREFIX/drive_c/windows/syswow64"; }

# Starts Xvfb when there is no display; sets DISPLAY. vt_stop_display ends it.
VT_XVFB_PID=
vt_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local number
  for number in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VT_XVFB_PID=$!
    export DISPLAY=":$number"
    local waited
    for waited in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.05
    done
    kill "$VT_XVFB_PID" 2>/dev/null || true
  done
  echo "no virtual display could be started" >&2
  return 1
}

vt_stop_display() {
  if [ -n "$VT_XVFB_PID" ]; then
    kill "$VT_XVFB_PID" 2>/dev/null || true
    wait "$VT_XVFB_PID" 2>/dev/null || true
    VT_XVFB_PID=
  fi
}
