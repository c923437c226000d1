#!/usr/bin/env bash
# The one test command: installs what is missing, builds with warnings as errors and runs
# every test, the Windows build's under Wine among them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/install-windows-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci
