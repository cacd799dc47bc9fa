#!/usr/bin/env bash
# Runs each fuzz target for a fixed number of executions on a copy of its
# seed corpus and prints, per target, the executions per second and the
# coverage reached (libFuzzer's cov: edges and ft: features). Not part of CI.
#
#   scripts/bench-fuzz.sh [RUNS] [TARGET...]   default: 10000000 runs, every target
#
# VT_FUZZ_MAX_SECONDS=N ends each target after N seconds if it has not done
# RUNS executions by then (the table shows how many it did).
#
# A crash, a sanitizer report or a hang (10 s for one input) fails the target;
# its log is kept in build/fuzz/bench-TARGET.log.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

runs=${1:-10000000}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${VT_FUZZ_TARGETS[@]}")

vt_build_fuzz >/dev/null
printf '%-16s %12s %10s %10s %8s %8s %s\n' target runs seconds execs/s cov ft result
failed=0
for target in "${targets[@]}"; do
  log=$VT_BUILD/fuzz/bench-$target.log
  start=$(date +%s.%N)
  result=ok
  limit=()
  [ "${VT_FUZZ_MAX_SECONDS:-0}" -gt 0 ] && limit=(-max_total_time="$VT_FUZZ_MAX_SECONDS")
  vt_run_fuzz "$target" "$log" -runs="$runs" "${limit[@]}" -print_final_stats=1 || { result=FAILED; failed=1; }
  end=$(date +%s.%N)
  done_runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo -)
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo -)
  rate=$(awk -v n="${done_runs:-0}" -v s="$seconds" 'BEGIN { printf "%d", (s > 0 ? n / s : 0) }')
  printf '%-16s %12s %10s %10s %8s %8s %s\n' "$target" "${done_runs:-0}" "$seconds" "$rate" "$cov" "$ft" "$result"
done
exit "$failed"
