#!/usr/bin/env bash
# The one test command: installs what is missing, then runs every test in the plain build with
# warnings as errors, the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# built with clang, and built for aarch64 under qemu, and a short run of the session fuzzer. The
# plain build also cross-builds the Windows library and tests it under Wine; the clang and
# aarch64 builds compare their output with a GCC build beside them, bit for bit.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --windows

passed=0
failed=0
# Runs one CTest preset and adds its counts to the totals.
run_suite() {
  local preset=$1 log
  log=$(mktemp)
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset" 2>&1 | tee "$log" || true
  local total fails
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  fails=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$total" ]; then failed=$((failed + 1)); return; fi
  passed=$((passed + total - fails))
  failed=$((failed + fails))
}

run_suite ci
run_suite asan
run_suite clang
run_suite aarch64
if scripts/fuzz.sh "${TARVO_FUZZ_SECONDS:-60}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
