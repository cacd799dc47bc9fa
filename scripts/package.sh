#!/usr/bin/env bash
# Builds both Windows programs where they are missing or stale, then the
# packages a Windows user downloads, in dist/:
#   Vantrelis-<version>-win32.zip, Vantrelis-<version>-win64.zip  portable
#   Vantrelis-<version>-setup.exe                                  installer
set -euo pipefail
source "$(dirname "$0")/lib.sh"

"$VT_ROOT/scripts/deps.sh"
vt_build_windows 32
vt_build_windows 64
# The packages' times: the commit's, so a rebuild of one commit gives the same zips.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$VT_ROOT" log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi
python3 "$VT_ROOT/scripts/package.py" --build "$VT_BUILD" --dist "${VT_DIST:-$VT_ROOT/dist}"
