#!/usr/bin/env bash
# jalv runs the plug-in under a private JACK server with the dummy driver; jack_transport is
# timebase master and sets the tempo, a metronome feeds clicks in, jack_rec records the wet
# output. The echoes (one every tick: "DLY DelayL" 1000) must lie one tick of the transport's
# tempo apart: 8000 frames at 90 BPM, 4800 at 150 (48 kHz, 4 ticks a beat).
#   jalv_jack_test.sh LV2_PATH ECHO_PEAKS WORK_DIR
set -euo pipefail
# The dummy server, run synchronously on a loaded machine, now and then loses its clients
# (xruns of a tenth of a second, then no server to connect to): such a session is run once
# more. A plug-in that misses the tempo fails both.
# JACK registers every server in one shared table of a few slots and frees a slot only when its
# server exits cleanly (or another of the same name starts): servers killed with their machine
# leave the table full. With no JACK server of this user alive, every entry is stale, and the
# table is removed so that the next attempt's server makes a new one.
clear_stale_registry() {
  grep -q "Too many servers already active" "$1/jackd.log" 2>/dev/null || return 0
  pgrep -u "$(id -u)" -x 'jackd|jackdbus' >/dev/null && return 0
  [ -O /dev/shm/jack-shm-registry ] || return 0
  echo "JACK's server table is full of servers that no longer run; clearing it"
  rm -f /dev/shm/jack-shm-registry /dev/shm/jack-"$(id -u)"-* /dev/shm/jack_sem."$(id -u)"_*
}
if [ -z "${TARVO_JACK_ATTEMPT:-}" ]; then
  for attempt in 1 2; do
    TARVO_JACK_ATTEMPT=$attempt "$0" "$@" && exit 0
    echo "attempt $attempt failed; jackd said: $(head -n 2 "$3/jackd.log" 2>/dev/null | tr '\n' ' ')"
    clear_stale_registry "$3"
  done
  exit 1
fi
export LV2_PATH=$1
echo_peaks=$2
work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"

export JACK_NO_START_SERVER=1
# One private name per build tree: JACK keeps a few server slots per user and reclaims a dead
# server's slot only for a server of the same name.
export JACK_DEFAULT_SERVER="tarvo-lv2-test-$(echo "$work" | md5sum | cut -c1-8)"
pids=()
cleanup() {
  exec 3>&- 4>&- || true
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do timeout 10 tail --pid="$pid" -f /dev/null || kill -9 "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

uri=$(timeout 30 lv2ls)
# Synchronous: the server waits for every client each cycle, so no period is lost to a late one.
jackd -S -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >jackd.log 2>&1 &
pids+=($!)
timeout 15 jack_wait -w -t 10 >/dev/null

# jalv and jack_transport read commands from standard input; each gets a pipe held open here.
mkfifo jalv.in transport.in
exec 3<>jalv.in 4<>transport.in
jalv -n tarvo -x -c amp_dryoutl=0 -c amp_dryoutr=0 -c dly_fbackl=20 -c dly_delayl=1000 \
  -c bpm=40 "$uri" <jalv.in >jalv.log 2>&1 &
pids+=($!)
jack_transport <transport.in >transport.log 2>&1 &
pids+=($!)
jack_metro -n metro -b 20 -D 20 -A 0.5 >metro.log 2>&1 &
pids+=($!)

wait_port() {
  for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -qx "$1" && return 0; sleep 0.1; done
  echo "no JACK port $1"; cat jalv.log; return 1
}
wait_port tarvo:in_l
wait_port metro:20_bpm
jack_connect metro:20_bpm tarvo:in_l

fails=0
record() {  # tempo, expected frames between echoes
  echo "tempo $1" >&4
  sleep 0.5
  timeout 30 jack_rec -f "rec_$1.wav" -d 7 -b 32 tarvo:out_l >>rec.log 2>&1
  local gaps exact
  gaps=$("$echo_peaks" "rec_$1.wav")
  exact=$(echo "$gaps" | grep -cx "$2" || true)
  # Apart from the step from one click's echoes to the next click's, every gap is one tick
  # (to within the recording's rounding of where an echo reaches half its peak).
  local strays
  strays=$(echo "$gaps" | awk -v t="$2" '$1 < 1.5 * t && ($1 < t - 2 || $1 > t + 2)' | wc -l)
  echo "$1 BPM: $exact gaps of exactly $2 frames; gaps: $(echo $gaps)"
  if [ "$exact" -lt 8 ] || [ "$strays" -ne 0 ]; then
    echo "FAIL: at $1 BPM the echoes are not $2 frames apart"; fails=$((fails + 1))
  fi
}
echo master >&4
echo play >&4
record 90 8000
record 150 4800
[ $fails -eq 0 ]
