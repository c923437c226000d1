#!/usr/bin/env bash
# Builds the session fuzzer and runs it for SECONDS (default 60) from the checked-in seed
# corpus. New inputs go to a scratch corpus under the build tree; a finding is written there
# too and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=build/fuzz/run
rm -rf "$work" && mkdir -p "$work/corpus"
cp fuzz/corpus/* "$work/corpus/" 2>/dev/null || true
build/fuzz/fuzz/session_fuzzer -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus" 2>"$work/log" || {
  tail -n 40 "$work/log" >&2
  echo "fuzz: FAILED, see $work/log" >&2
  exit 1
}
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
echo "fuzz: ${runs:-?} executions in ${seconds} s without a finding"
