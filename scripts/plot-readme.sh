#!/usr/bin/env bash
# Draws the README's pictures of three factory presets with tarvo-delay plot into docs/plots/.
# Usage: scripts/plot-readme.sh [path/to/tarvo-delay]   (default: build/default/tarvo-delay)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
tool="${1:-$root/build/default/tarvo-delay}"
out="$root/docs/plots"
mkdir -p "$out"

plot() {
  local name="$1"
  shift
  "$tool" plot -o "$out/$name.png" "$@" >/dev/null
  echo "$out/$name.png"
}

# Three factory presets: the ping-pong of eighths, the dub echo with its swept low-pass, and the
# band-pass sweep of the split filter types over the whole tail, on the light background.
plot ping-pong-eighths --preset ping-pong-eighths
plot dub-echo --preset dub-echo
plot band-pass-sweep --preset band-pass-sweep --theme light --whole
