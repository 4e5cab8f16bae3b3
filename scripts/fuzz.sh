#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan) and fuzzes each harness of
# fuzz/ for a while, one after the other, starting from its kept corpus. New inputs go
# to a scratch corpus under build/fuzz/work (the kept corpus in the tree is not
# touched); a crash or a failed property is kept under build/fuzz/artifacts/<target>/
# and makes the script fail. Prints executions per second and in total for each target.
# Usage: fuzz.sh [seconds per target, default 60] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(tokenizer text_utils detail_walk reply_reader url_split http_client ini_file
           version_info proxy_text)
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset fuzz && cmake --build --preset fuzz -j2; } >"$log" 2>&1; then
  cat "$log"
  exit 1
fi

failed=0
for target in "${targets[@]}"; do
  work=build/fuzz/work/$target
  artifacts=build/fuzz/artifacts/$target
  mkdir -p "$work" "$artifacts"
  run_log=build/fuzz/work/$target.log
  status=0
  build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$target" \
    >"$run_log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run_log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$run_log" | tail -1)
  if ((status != 0)); then
    failed=1
    echo "fuzz $target: FAILED after ${execs:-?} executions (see $run_log, $artifacts)"
    grep -E 'ERROR|property failed|SUMMARY' "$run_log" | head -5 || true
  else
    echo "fuzz $target: ${execs:-?} executions in ${seconds} s, ${rate:-?} per second"
  fi
done
exit "$failed"
