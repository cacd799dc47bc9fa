#!/usr/bin/env bash
# What the program costs while it waits: CPU of the program and of wineserver,
# resident and anonymous memory, start-up time; one table. Not a test: it runs
# for minutes (VT_BENCH_RUNS runs of VT_BENCH_SECONDS per state; 3 x 60 s by
# default) and its figures depend on the machine's load. VT_BENCH_WINDOWS_BUILD
# measures another build folder of the same road (for a before-and-after).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

vt_use_program_road
[ -n "${VT_BENCH_WINDOWS_BUILD:-}" ] && export VT_WINDOWS_BUILD=$VT_BENCH_WINDOWS_BUILD
vt_prepare_prefix
vt_install_simulated_driver
vt_require "$VT_WINDOWS_BUILD/bin/Vantrelis.exe" "$VT_WINDOWS_BUILD/skin/imgTemp" \
  "$VT_WINDOWS_BUILD/tools/windowprobe.exe"
trap 'vt_stop_display' EXIT
vt_ensure_display
export VT_BUILD
python3 "$VT_ROOT/scripts/bench_idle.py"
wineserver -k 2>/dev/null || true
