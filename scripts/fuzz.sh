#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds (default 60) and
# prints executions and findings per target. Findings (crashing inputs) land
# in build/fuzz/findings/<target>/; a fixed one is copied to
# fuzz/regressions/<target>/ so that ctest (fuzz preset) replays it.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# FUZZ_BUILD_JOBS limits the build's parallel jobs (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}; shift || true
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${FUZZ_BUILD_JOBS:-$(nproc 2>/dev/null || echo 2)}" >/dev/null

targets=("$@")
if [ ${#targets[@]} = 0 ]; then
  targets=($(sed -n 's/^set(FUZZ_TARGETS \(.*\))$/\1/p' cmake/Fuzz.cmake))
fi

total=0 found=0
printf '%-18s %14s %9s\n' target executions findings
for t in "${targets[@]}"; do
  work=build/fuzz/corpus/$t findings=build/fuzz/findings/$t
  mkdir -p "$work" "$findings"
  log=build/fuzz/$t.log
  seeds=(fuzz/corpus/$t)
  [ -d fuzz/regressions/$t ] && seeds+=(fuzz/regressions/$t)
  set +e
  # Undefined behaviour is a finding too, not just a report.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 build/fuzz/bin/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 \
    -rss_limit_mb=1024 -timeout=10 -artifact_prefix="$findings/" "$work" "${seeds[@]}" >"$log" 2>&1
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  n=$(find "$findings" -type f | wc -l)
  printf '%-18s %14s %9s\n' "$t" "${execs:-0}" "$n"
  total=$((total + ${execs:-0})); found=$((found + n))
done
printf '%-18s %14s %9s\n' total "$total" "$found"
[ "$found" = 0 ]
