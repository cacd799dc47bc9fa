#!/usr/bin/env bash
# Takes the user's guides' pictures again: the real Vantrelis.exe under Wine
# on the simulated card, driven by pointer and key events through X, in a
# Wine prefix of its own. Writes docs/images/*.png; commit them with the
# guides so a plain checkout shows them.
#
#   scripts/screenshots.sh              every picture (about two and a half minutes)
#   scripts/screenshots.sh NAME.png...  only the scenes that make these
#
# VT_BUILD names the build to take the program from (default: build/ of this
# checkout; it is only read). The prefix and the scratch files live in this
# checkout's build/screenshots/. The display is $VT_SHOTS_DISPLAY (:53 by
# default); a virtual one is started there when none answers.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$here/build/screenshots
export WINEPREFIX=${VT_SHOTS_PREFIX:-$work/wineprefix}
source "$here/scripts/lib.sh"

trap 'status=$?; [ $status = 0 ] || vt_fail "scripts/screenshots.sh stopped (status $status) at line $LINENO"' ERR

vt_use_program_road
vt_require "$VT_WINDOWS_BUILD/bin/Vantrelis.exe" "$VT_WINDOWS_BUILD/skin/imgTemp" \
  "$VT_WINDOWS_BUILD/tools/Sysdigest.exe" "$VT_WINDOWS_BUILD/tools/windowprobe.exe" \
  "$VT_WINDOWS_BUILD/sim/$VT_DRIVER_DLL"
mkdir -p "$work"
# The prefix's set-up log goes to the scratch folder, not into the build read from.
VT_BUILD=$work vt_prepare_prefix
vt_install_simulated_driver
# Wine draws the dialogs' frames and captions itself, as Windows does, since
# the virtual display has no window manager that would.
"$VT_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
# Their caption buttons are drawn in Marlett; a prefix without it shows letters instead.
for marlett in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
  [ -f "$marlett" ] && cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/" && break
done

export DISPLAY=${VT_SHOTS_DISPLAY:-:53}
xvfb=
if ! xdpyinfo >/dev/null 2>&1; then
  vt_log "starting a virtual display $DISPLAY"
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.05
  done
  xdpyinfo >/dev/null 2>&1 || { vt_fail "the virtual display $DISPLAY did not start"; exit 1; }
fi
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
}
trap cleanup EXIT

images=$here/docs/images
export VT_BUILD
started=$(date +%s)
vt_log "taking the pictures with the $VT_ROAD-bit program from $VT_WINDOWS_BUILD into $images"
TMPDIR=$work python3 "$here/scripts/screenshots.py" "$images" "$@"
vt_log "done in $(($(date +%s) - started)) s"
