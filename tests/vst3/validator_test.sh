#!/usr/bin/env bash
# Steinberg's validator with its extensive tests on our bundle: passes when every "Result:" line
# it prints counts 0 failed (it exits 0 even when tests fail); skips (77) without a validator.
# Usage: validator_test.sh VALIDATOR BUNDLE [WINE]   (with WINE: a Windows validator and bundle)
set -uo pipefail
validator=$1 bundle=$2 wine=${3:-}
if [ -z "$validator" ] || [ ! -x "$validator" ]; then
    echo "skipped: no VST 3 validator: ../shared/validators, which it is built from, is absent"
    exit 77
fi
if [ -n "$wine" ]; then
    output=$("$wine" "$validator" -e "$bundle" 2>&1)
else
    output=$("$validator" -e "$bundle" 2>&1)
fi
status=$?
output=${output//$'\r'/}  # the Windows build ends its lines with CR LF
results=$(grep -E '^Result: [0-9]+ tests passed, [0-9]+ tests failed' <<<"$output")
if [ $status -ne 0 ] || [ -z "$results" ] || grep -qvE ' 0 tests failed$' <<<"$results"; then
    grep -E 'ERROR|\[Failed\]|^Result' <<<"$output"
    echo "validator exit status $status"
    exit 1
fi
echo "$results"
