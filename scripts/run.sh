#!/usr/bin/env bash
# Builds what is missing and runs Vantrelis.exe under Wine on the simulated
# GPU, in the working folder build/run, on a virtual display when there is
# none. Leaves a screenshot of the window and prints its path. The 32-bit
# program runs where this machine executes 32-bit code, else the 64-bit one.
#
#   scripts/run.sh            run, screenshot, close again on a virtual display
#   scripts/run.sh --keep     leave the program running
#
# VT_FORCE_64BIT=1 runs the 64-bit program on any machine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

keep=0
[ "${1:-}" = "--keep" ] && keep=1

# Every failure below says what failed and where to look; none is silent.
trap 'status=$?; [ $status = 0 ] || vt_fail "scripts/run.sh stopped (status $status) at line $LINENO"' ERR

vt_use_program_road
"$VT_ROOT/scripts/deps.sh"
vt_log "building the $VT_ROAD-bit program in $VT_WINDOWS_BUILD"
build_log="$VT_BUILD/run-build-$VT_ROAD.log"
mkdir -p "$VT_BUILD"
if ! vt_build_windows "$VT_ROAD" >"$build_log" 2>&1; then
  vt_fail "the $VT_ROAD-bit build failed; see $build_log"
  exit 1
fi
vt_require "$VT_WINDOWS_BUILD/bin/Vantrelis.exe" "$VT_WINDOWS_BUILD/skin/imgTemp" \
  "$VT_WINDOWS_BUILD/tools/Sysdigest.exe" "$VT_WINDOWS_BUILD/tools/windowprobe.exe"
vt_prepare_prefix
vt_install_simulated_driver

work="$VT_BUILD/run"
mkdir -p "$work/skin"
cp "$VT_WINDOWS_BUILD/bin/Vantrelis.exe" "$work/"
cp "$VT_WINDOWS_BUILD/skin/imgTemp" "$work/skin/"
cp "$VT_WINDOWS_BUILD/tools/Sysdigest.exe" "$work/"
probe="$VT_WINDOWS_BUILD/tools/windowprobe.exe"

vt_ensure_display
started_display=$VT_XVFB_PID
trap 'vt_stop_display' EXIT

vt_log "starting the $VT_ROAD-bit Vantrelis.exe in $work on display $DISPLAY (log: $work/wine.log)"
(cd "$work" && exec "$VT_WINE" Vantrelis.exe >"$work/wine.log" 2>&1) &
if ! "$VT_WINE" "$probe" wait Vantrelis 30000; then
  vt_fail "the window did not appear; see $work/wine.log"
  exit 1
fi
# Let the first monitoring pass and its refresh reach the screen.
sleep 3

shot="$work/screenshot.png"
# Through a file: Wine's background processes would hold a pipe open.
"$VT_WINE" "$probe" state Vantrelis >"$work/state.txt"
geometry=$(awk '{print $5 "x" $6 "+" $3 "+" $4}' "$work/state.txt")
import -window root -crop "$geometry" +repage "$shot"
echo "$shot"

if [ "$keep" = 1 ] && [ -z "$started_display" ]; then
  trap - EXIT
  vt_log "Vantrelis is running on $DISPLAY; press Escape in its window to end it"
  exit 0
fi
# Escape ends the program the way a user would.
"$VT_WINE" "$probe" send Vantrelis 0x100 0x1B 0x10001 || true
timeout 20 wineserver -w || wineserver -k
