#!/usr/bin/env bash
# Builds what is missing and runs Vantrelis.exe under Wine on the simulated
# GPU, in the working folder build/run, on a virtual display when there is
# none. Leaves a screenshot of the window and prints its path.
#
#   scripts/run.sh            run, screenshot, close again on a virtual display
#   scripts/run.sh --keep     leave the program running
set -euo pipefail
source "$(dirname "$0")/lib.sh"

keep=0
[ "${1:-}" = "--keep" ] && keep=1

"$VT_ROOT/scripts/deps.sh"
vt_build_windows >/dev/null
vt_prepare_prefix

# The simulated driver stands where the real driver's library would be.
if [ -f "$VT_BUILD/windows/sim/nvapi.dll" ]; then
  cp "$VT_BUILD/windows/sim/nvapi.dll" "$(vt_system32_folder)/nvapi.dll"
fi

work="$VT_BUILD/run"
mkdir -p "$work/skin"
cp "$VT_BUILD/windows/bin/Vantrelis.exe" "$work/"
[ -f "$VT_BUILD/windows/skin/imgTemp" ] && cp "$VT_BUILD/windows/skin/imgTemp" "$work/skin/"
[ -f "$VT_BUILD/windows/tools/Sysdigest.exe" ] && cp "$VT_BUILD/windows/tools/Sysdigest.exe" "$work/"
probe="$VT_BUILD/windows/tools/windowprobe.exe"

vt_ensure_display
started_display=$VT_XVFB_PID
trap 'vt_stop_display' EXIT

vt_log "starting Vantrelis.exe in $work on display $DISPLAY"
(cd "$work" && exec wine Vantrelis.exe >"$work/wine.log" 2>&1) &
if ! wine "$probe" wait Vantrelis 30000; then
  echo "the window did not appear; see $work/wine.log" >&2
  exit 1
fi
# Let the first monitoring pass and its refresh reach the screen.
sleep 3

shot="$work/screenshot.png"
# Through a file: Wine's background processes would hold a pipe open.
wine "$probe" state Vantrelis >"$work/state.txt"
geometry=$(awk '{print $5 "x" $6 "+" $3 "+" $4}' "$work/state.txt")
import -window root -crop "$geometry" +repage "$shot"
echo "$shot"

if [ "$keep" = 1 ] && [ -z "$started_display" ]; then
  trap - EXIT
  vt_log "Vantrelis is running on $DISPLAY; press Escape in its window to end it"
  exit 0
fi
# Escape ends the program the way a user would.
wine "$probe" send Vantrelis 0x100 0x1B 0x10001 || true
timeout 20 wineserver -w || wineserver -k
