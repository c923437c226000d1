#!/usr/bin/env bash
# The demo in one command: installs missing Debian packages (when run as root; otherwise it
# names them), builds the plug-in library and the tarvo-delay tool, and renders the built-in
# phrase through the machine into tarvo-demo.wav in the current directory (or FILE).
#   scripts/demo.sh [FILE]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-tarvo-demo.wav}"

"$root/scripts/install-deps.sh"
(cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default --target tarvo-delay)
"$root/build/default/tarvo-delay" demo -o "$out"
