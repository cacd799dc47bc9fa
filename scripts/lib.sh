# Shared by the run and test scripts: what this machine can run, the build
# folders, the Wine roads, the prefix and the virtual display. Source it; it
# defines functions and variables only.

VT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VT_BUILD=${VT_BUILD:-$VT_ROOT/build}
VT_JOBS=${VT_JOBS:-$(nproc)}
export WINEPREFIX=${WINEPREFIX:-$VT_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8

# Debian's wine and wineboot wrappers take the 32-bit loader whenever wine32
# is installed; the 64-bit road calls the 64-bit loader itself.
VT_WINE64_LOADER=${VT_WINE64_LOADER:-/usr/lib/wine/wine64}

vt_log() { printf '== %s\n' "$*" >&2; }
vt_fail() { printf 'FAILED: %s\n' "$*" >&2; }

# --- can this machine execute 32-bit x86 programs? ---------------------------
#
# Some kernels refuse them ("Exec format error"), and then neither wine32 nor
# any i386 package's post-install script can run. The probe executes a
# 96-byte static 32-bit program that only exits with status 42 through the
# 32-bit system call gate: no library, no package, nothing else that could
# fail for another reason. VT_FORCE_64BIT=1 takes the 64-bit road anyway (to
# test these scripts). The answer is exported, so the scripts a run starts
# neither probe nor report again.
vt_probe_32bit() {
  [ -n "${VT_CAN_RUN_32BIT:-}" ] && return 0
  if [ "${VT_FORCE_64BIT:-0}" = 1 ]; then
    VT_CAN_RUN_32BIT=0
    vt_log "32-bit programs: not used (VT_FORCE_64BIT=1); Wine runs the 64-bit build"
  else
    local program
    program=$(mktemp "${TMPDIR:-/tmp}/vt-probe32.XXXXXX")
    # ELF header: 32-bit, little-endian, executable for i386, entry 0x08048054,
    # program headers at 52, one of them.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$program"
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$program"
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$program"
    printf '\x00\x00\x00\x00' >>"$program"
    # One loadable segment: the whole 96-byte file at 0x08048000, read and execute.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$program"
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$program"
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$program"
    chmod +x "$program"
    local status=0
    "$program" 2>/dev/null || status=$?
    rm -f "$program"
    if [ "$status" = 42 ]; then
      VT_CAN_RUN_32BIT=1
      vt_log "32-bit programs: this machine runs them; Wine runs the 32-bit build"
    else
      VT_CAN_RUN_32BIT=0
      vt_log "32-bit programs: this machine cannot run them (probe status $status); Wine runs the 64-bit build"
    fi
  fi
  export VT_CAN_RUN_32BIT
}

# --- building ----------------------------------------------------------------

# vt_build DIR [cmake options...]: configures once, then builds. Returns
# non-zero when either step fails.
vt_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$VT_ROOT" -B "$dir" -G Ninja "$@" >/dev/null || return 1
  fi
  cmake --build "$dir" -j "$VT_JOBS" || return 1
}

# --- the two Windows builds and the Wine road each one takes -----------------
#
# vt_use_road 32|64 sets, for the build of that width, everything that differs
# between the two; the end-to-end harness reads the same variables:
#   VT_ROAD            32 or 64
#   VT_WINDOWS_BUILD   its build folder
#   VT_WINE            the Wine loader that runs it
#   VT_DRIVER_DLL      the driver library's name the program loads
#   VT_SYSTEM_FOLDER   the prefix folder a program of that width sees as its
#                      system folder
vt_windows_build_dir() {
  case $1 in
    32) echo "$VT_BUILD/windows" ;;
    64) echo "$VT_BUILD/windows64" ;;
  esac
}

vt_build_windows() {
  local toolchain=mingw-i686
  [ "$1" = 64 ] && toolchain=mingw-x86_64
  vt_build "$(vt_windows_build_dir "$1")" -DCMAKE_TOOLCHAIN_FILE="$VT_ROOT/cmake/$toolchain.cmake"
}

vt_use_road() {
  export VT_ROAD=$1
  VT_WINDOWS_BUILD=$(vt_windows_build_dir "$1")
  export VT_WINDOWS_BUILD
  if [ "$1" = 32 ]; then
    export VT_WINE=wine VT_DRIVER_DLL=nvapi.dll
    export VT_SYSTEM_FOLDER="$WINEPREFIX/drive_c/windows/syswow64"
  else
    export VT_WINE=$VT_WINE64_LOADER VT_DRIVER_DLL=nvapi64.dll
    export VT_SYSTEM_FOLDER="$WINEPREFIX/drive_c/windows/system32"
  fi
}

# The road for the program itself: 32-bit where the machine runs it.
vt_use_program_road() {
  vt_probe_32bit
  if [ "$VT_CAN_RUN_32BIT" = 1 ]; then vt_use_road 32; else vt_use_road 64; fi
}

# Fails with a clear message when a build output the run needs is missing.
vt_require() {
  local file
  for file in "$@"; do
    if [ ! -f "$file" ]; then
      vt_fail "missing build output $file"
      return 1
    fi
  done
}

# --- the Wine prefix -----------------------------------------------------------

# A 64-bit prefix (its 32-bit system folder is syswow64); fonts that the
# program and its installer ask for by name are mapped to the Debian fonts
# installed. Where 32-bit programs run, Debian's wrappers make it (they set
# up the 32-bit side too); elsewhere the 64-bit loader does.
vt_prepare_prefix() {
  [ -f "$WINEPREFIX/.vantrelis-ready" ] && return 0
  vt_probe_32bit
  local wine=wine wineboot=wineboot
  if [ "$VT_CAN_RUN_32BIT" != 1 ]; then wine=$VT_WINE64_LOADER wineboot="$VT_WINE64_LOADER wineboot"; fi
  local log="$VT_BUILD/wineprefix-setup.log"
  vt_log "preparing Wine prefix $WINEPREFIX (log: $log)"
  mkdir -p "$WINEPREFIX" || return 1
  if ! WINEARCH=win64 $wineboot -i >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1; then
    vt_fail "the Wine prefix could not be made; see $log"
    return 1
  fi
  local reg="$WINEPREFIX/vantrelis.reg"
  python3 - "$reg" <<'PY' || return 1
import sys
text = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Microsoft Sans Serif"="Liberation Sans"
"Arial"="Liberation Sans"
"メイリオ"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000
"""
with open(sys.argv[1], "w", encoding="utf-16") as out:
    out.write(text.replace("\n", "\r\n"))
PY
  if ! "$wine" regedit /S "$reg" >>"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1; then
    vt_fail "the Wine prefix's settings could not be imported; see $log"
    return 1
  fi
  touch "$WINEPREFIX/.vantrelis-ready"
}

# Puts the road's simulated driver where the real driver's library would be.
vt_install_simulated_driver() {
  local dll="$VT_WINDOWS_BUILD/sim/$VT_DRIVER_DLL"
  vt_require "$dll" || return 1
  cp "$dll" "$VT_SYSTEM_FOLDER/$VT_DRIVER_DLL" || return 1
}

# --- the virtual display -------------------------------------------------------

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
  vt_fail "no virtual display could be started"
  return 1
}

vt_stop_display() {
  if [ -n "$VT_XVFB_PID" ]; then
    kill "$VT_XVFB_PID" 2>/dev/null || true
    wait "$VT_XVFB_PID" 2>/dev/null || true
    VT_XVFB_PID=
  fi
}

# --- fuzzing -----------------------------------------------------------------
#
# The libFuzzer targets of tests/fuzz, built with clang in a folder of their
# own; each runs on a copy of its committed seed corpus, so the corpus in the
# tree changes only when someone commits new seeds.
VT_FUZZ_TARGETS=(profile_reader history_writer skin_archive driver_answers)

vt_build_fuzz() {
  local dir=$VT_BUILD/fuzz
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$VT_ROOT" -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DVT_FUZZ=ON >/dev/null || return 1
  fi
  cmake --build "$dir" -j "$VT_JOBS" --target "${VT_FUZZ_TARGETS[@]/#/fuzz_}" || return 1
}

# vt_run_fuzz TARGET LOG [libFuzzer options...]: one target on a scratch copy
# of its corpus; the run's output goes to LOG, an input that crashed or hung
# to build/fuzz/findings-TARGET/.
vt_run_fuzz() {
  local target=$1 log=$2
  shift 2
  local work findings=$VT_BUILD/fuzz/findings-$target
  work=$(mktemp -d "${TMPDIR:-/tmp}/vt-fuzz-$target.XXXXXX")
  mkdir -p "$findings"
  cp -r "$VT_ROOT/tests/fuzz/corpus/$target/." "$work/"
  local status=0
  (cd "$work" && "$VT_BUILD/fuzz/bin/fuzz_$target" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" \
    "$@" "$work" >"$log" 2>&1) || status=$?
  rm -rf "$work"
  return "$status"
}
