#!/usr/bin/env bash
# Runs every test: host unit tests, their ASan+UBSan and TSan builds, the
# unit tests built for 32-bit Windows under Wine, then the end-to-end tests of
# the real Vantrelis.exe under Wine on a virtual display.
#
#   scripts/test.sh            everything
#   scripts/test.sh --quick    host unit tests and the Wine unit tests only
set -euo pipefail
source "$(dirname "$0")/lib.sh"

quick=0
[ "${1:-}" = "--quick" ] && quick=1

"$VT_ROOT/scripts/deps.sh"

run_host_suite() {
  local name=$1
  shift
  vt_log "host unit tests ($name)"
  vt_build "$VT_BUILD/$name" "$@"
  (cd "$VT_BUILD/$name" && ctest -j "$VT_JOBS" --output-on-failure --timeout 300) || return 1
}

failures=()
run_host_suite host || failures+=("host unit tests")
if [ "$quick" = 0 ]; then
  run_host_suite asan -DVT_SANITIZER=address,undefined || failures+=("ASan+UBSan unit tests")
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_host_suite tsan -DVT_SANITIZER=thread || failures+=("TSan unit tests")
fi

vt_log "Windows build"
vt_build_windows
vt_prepare_prefix

vt_log "unit tests as a 32-bit Windows program under Wine"
(cd "$VT_BUILD/windows/bin" && wine vantrelis_tests.exe --gtest_brief=1) || failures+=("unit tests under Wine")

if [ "$quick" = 0 ]; then
  vt_log "end-to-end tests under Wine"
  vt_ensure_display
  trap 'vt_stop_display' EXIT
  export VT_BUILD
  if [ -f "$VT_BUILD/windows/sim/nvapi.dll" ]; then
    cp "$VT_BUILD/windows/sim/nvapi.dll" "$(vt_system32_folder)/nvapi.dll"
  fi
  (cd "$VT_ROOT/tests/e2e" && python3 -m unittest discover -s . -p 'test_*.py' -v) || failures+=("end-to-end tests")
  wineserver -k 2>/dev/null || true
fi

if [ ${#failures[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failures[@]}" >&2
  exit 1
fi
vt_log "all tests passed"
