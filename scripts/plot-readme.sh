#!/usr/bin/env bash
# Draws the README's pictures of three settings with tarvo-delay plot into docs/plots/.
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

# Ping-pong: the right channel's first echo half a loop after the left's.
plot ping-pong --set "DLY DelayL=6000" --set "DLY DelayR=6000" --set "DLY OffsetR=3000" \
  --set "DLY FbackL=60" --set "DLY FbackR=60" --set "FLT Type=LP" --set "FLT Cutoff=42000" \
  --set "FLT Res=8"
# A dark, chorused tape echo on dotted eighths.
plot dark-tape --set "DLY DelayL=3000" --set "DLY DelayR=3000" --set "DLY FbackL=72" \
  --set "DLY FbackR=72" --set "FLT Type=LP" --set "FLT Cutoff=17000" --set "FLT Res=14" \
  --set "CHO LFOType=1" --set "CHO Depth=40"
# Split filter: band-pass left, notch right, with the left read-out inverted.
plot split-filter --theme light --set "DLY ModeL=Inverted" --set "DLY DelayR=3000" \
  --set "FLT Type=BP/BR" --set "FLT Cutoff=28000" --set "FLT Res=30" --whole
