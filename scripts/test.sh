#!/usr/bin/env bash
# Runs every test: host unit tests, their ASan+UBSan and TSan builds, both
# Windows builds with their unit tests under every Wine this machine can run,
# then the end-to-end tests of the real Vantrelis.exe under Wine on a virtual
# display: the 32-bit program where the machine runs 32-bit code, else the
# 64-bit one.
#
#   scripts/test.sh            everything
#   scripts/test.sh --quick    host unit tests, both Windows builds and the
#                              unit tests under Wine
#
# VT_FORCE_64BIT=1 takes the 64-bit road on any machine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

quick=0
[ "${1:-}" = "--quick" ] && quick=1

vt_probe_32bit
"$VT_ROOT/scripts/deps.sh"

# Each step checks every command it runs and returns non-zero on the first
# failure; a failed step is listed at the end and fails the run.
failures=()
step() {
  local name=$1
  shift
  vt_log "$name"
  if ! "$@"; then
    failures+=("$name")
    vt_fail "$name"
    return 1
  fi
}

run_host_suite() {
  local name=$1
  shift
  vt_build "$VT_BUILD/$name" "$@" || return 1
  (cd "$VT_BUILD/$name" && ctest -j "$VT_JOBS" --no-tests=error --output-on-failure --timeout 300)
}

run_wine_unit_tests() {
  vt_use_road "$1"
  (cd "$VT_WINDOWS_BUILD/bin" && "$VT_WINE" vantrelis_tests.exe --gtest_brief=1)
}

run_end_to_end() {
  vt_use_program_road
  vt_log "end-to-end tests run on the $VT_ROAD-bit build"
  vt_install_simulated_driver || return 1
  vt_require "$VT_WINDOWS_BUILD/bin/Vantrelis.exe" "$VT_WINDOWS_BUILD/skin/imgTemp" \
    "$VT_WINDOWS_BUILD/tools/windowprobe.exe" || return 1
  # The 64-bit program's own tests run on either road.
  export VT_WINDOWS64_BUILD=$VT_BUILD/windows64 VT_WINE64=$VT_WINE64_LOADER
  vt_require "$VT_WINDOWS64_BUILD/bin/Vantrelis.exe" "$VT_WINDOWS64_BUILD/sim/nvapi64.dll" || return 1
  cp "$VT_WINDOWS64_BUILD/sim/nvapi64.dll" "$WINEPREFIX/drive_c/windows/system32/nvapi64.dll" || return 1
  vt_ensure_display || return 1
  export VT_BUILD
  local status=0
  (cd "$VT_ROOT/tests/e2e" && python3 -m unittest discover -s . -p 'test_*.py' -v) || status=$?
  wineserver -k 2>/dev/null || true
  return "$status"
}

fuzz_smoke() {
  vt_build_fuzz || return 1
  local target log
  for target in "${VT_FUZZ_TARGETS[@]}"; do
    log=$VT_BUILD/fuzz/smoke-$target.log
    if ! vt_run_fuzz "$target" "$log" -max_total_time=5; then
      tail -n 40 "$log" >&2
      return 1
    fi
    vt_log "fuzz smoke $target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log" | tail -n 1)"
  done
}

step "host unit tests" run_host_suite host || true
if [ "$quick" = 0 ]; then
  step "fuzz smoke" fuzz_smoke || true
  step "ASan+UBSan unit tests" run_host_suite asan -DVT_SANITIZER=address,undefined || true
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    step "TSan unit tests" run_host_suite tsan -DVT_SANITIZER=thread || true
fi

built=()
step "32-bit Windows build" vt_build_windows 32 && built+=(32) &&
  step "32-bit float mode" python3 "$VT_ROOT/scripts/check-float-mode.py" "$VT_BUILD/windows/compile_commands.json" || true
step "64-bit Windows build" vt_build_windows 64 && built+=(64)
# The zips and the installer, so that a broken package fails the run too.
export VT_DIST=$VT_BUILD/dist
[ ${#built[@]} = 2 ] && step "packages" "$VT_ROOT/scripts/package.sh" || true
roads=()
for road in "${built[@]}"; do
  [ "$road" = 32 ] && [ "$VT_CAN_RUN_32BIT" != 1 ] && continue
  roads+=("$road")
done

if [ ${#roads[@]} -gt 0 ] && step "Wine prefix" vt_prepare_prefix; then
  for road in "${roads[@]}"; do
    step "unit tests as a $road-bit Windows program under Wine" run_wine_unit_tests "$road" || true
  done
  if [ "$VT_CAN_RUN_32BIT" != 1 ]; then
    vt_log "this machine cannot run 32-bit programs: the 32-bit build was built but not run; end-to-end tests run on the 64-bit build"
  fi
  if [ "$quick" = 0 ]; then
    trap 'vt_stop_display' EXIT
    step "end-to-end tests under Wine" run_end_to_end || true
  fi
fi

if [ ${#failures[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failures[@]}" >&2
  exit 1
fi
vt_log "all tests passed"
