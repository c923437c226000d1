#!/usr/bin/env bash
# The one test command: installs what is missing (as root), then runs every suite: the plain
# build with warnings as errors (which also cross-builds the Windows library and tests it under
# Wine), the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short
# run of the session fuzzer. A suite passes when it builds and ctest exits 0; the counts come
# from ctest's JUnit report. Not as root, a missing Windows tool chain skips only the Windows
# tests, and the summary says so.
set -uo pipefail
cd "$(dirname "$0")/.."

skipped=()
windows=ON
if ! scripts/install-deps.sh --windows; then
    if [ "$(id -u)" -eq 0 ] || ! scripts/install-deps.sh; then
        echo "test: the packages above are needed; nothing was run" >&2
        exit 1
    fi
    windows=OFF
    skipped+=("the Windows library under Wine (its tool chain is not installed; run as root to install it)")
fi

passed=0
failed=0
failures=()
report_dir=$(mktemp -d)
trap 'rm -rf "$report_dir"' EXIT

# The value of attribute $2 of the <testsuite> element of JUnit report $1 (ctest writes one
# attribute a line; the test cases' own attributes have other names).
junit_count() {
    tr -s ' \t\n' '   ' <"$1" | sed -n "s/.*<testsuite [^>]*\\b$2=\"\\([0-9]*\\)\".*/\\1/p" | head -n 1
}

# Configures, builds and runs one CTest preset; extra arguments go to the configure step.
run_suite() {
    local preset=$1
    shift
    local report="$report_dir/$preset.xml"
    if ! cmake --preset "$preset" "$@" || ! cmake --build --preset "$preset"; then
        failed=$((failed + 1))
        failures+=("$preset: the build failed")
        return
    fi
    local status=0
    ctest --preset "$preset" --output-junit "$report" || status=$?
    local total fails
    total=$(junit_count "$report" tests)
    fails=$(junit_count "$report" failures)
    if [ -z "$total" ] || [ -z "$fails" ]; then
        failed=$((failed + 1))
        failures+=("$preset: ctest wrote no report (exit status $status)")
        return
    fi
    passed=$((passed + total - fails))
    failed=$((failed + fails))
    if [ "$status" -ne 0 ]; then
        [ "$fails" -eq 0 ] && failed=$((failed + 1))
        failures+=("$preset: ctest exit status $status")
    fi
}

run_suite ci -DTARVO_WINDOWS_TESTS=$windows
run_suite asan
if scripts/fuzz.sh "${TARVO_FUZZ_SECONDS:-60}"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    failures+=("fuzz: a finding or a failed build")
fi

for s in "${skipped[@]}"; do echo "skipped: $s"; done
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
