#!/usr/bin/env bash
# Two LV2 hosts nobody here wrote, lv2file and lv2apply, render files through the plug-in that
# equal `tarvo-delay render --tail 0` with the same settings sample for sample (float WAVs).
#   real_hosts_test.sh LV2_PATH TARVO_DELAY WORK_DIR
set -euo pipefail
export LV2_PATH=$1
cli=$2
work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"

uri=$(timeout 30 lv2ls)
[ "$(echo "$uri" | wc -l)" -eq 1 ] || { echo "expected one plug-in in $LV2_PATH, found: $uri"; exit 1; }

# The sample data of a WAV file (everything after its data chunk's header), for cmp.
samples() {
  local file=$1 offset
  offset=$(grep -abo data "$file" | head -n 1 | cut -d: -f1)
  tail -c +$((offset + 9)) "$file"
}

fails=0
check() {  # name, host's output, tool's output
  if cmp -s <(samples "$2") <(samples "$3") && [ "$(stat -c %s "$2")" -gt 1000 ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1 differs from tarvo-delay render"; fails=$((fails + 1))
  fi
}

# Clicks and a noise burst at a level where no echo passes full scale (lv2file clips there).
for rate in 44100 48000; do
  sox -n -r $rate -c 2 -b 32 -e float click.wav synth 0.01 sine 880 vol 0.2 pad 0 0.49 repeat 2
  sox -n -r $rate -c 2 -b 32 -e float noise.wav synth 0.2 whitenoise vol 0.1 pad 0 0.3
  sox click.wav noise.wav -b 32 -e float in_$rate.wav

  # The defaults; then a busy setting with the tempo from the ports.
  timeout 60 lv2file -i in_$rate.wav -o lv2file_defaults.wav "$uri" >/dev/null
  timeout 60 lv2apply -i in_$rate.wav -o lv2apply_defaults.wav "$uri"
  "$cli" render in_$rate.wav cli_defaults.wav --tail 0 --quiet
  check "lv2file, defaults, $rate Hz" lv2file_defaults.wav cli_defaults.wav
  check "lv2apply, defaults, $rate Hz" lv2apply_defaults.wav cli_defaults.wav

  set_file=(-p dly_delayl:1500 -p dly_delayr:35000 -p dly_fbackl:70 -p cho_lfotype:1 -p flt_type:1
            -p flt_cutoff:40000 -p flt_res:30 -p pan_lfotype:3 -p dly_model:3 -p dly_mparal:40
            -p bpm:133 -p tpb:3)
  set_apply=(-c dly_delayl 1500 -c dly_delayr 35000 -c dly_fbackl 70 -c cho_lfotype 1 -c flt_type 1
             -c flt_cutoff 40000 -c flt_res 30 -c pan_lfotype 3 -c dly_model 3 -c dly_mparal 40
             -c bpm 133 -c tpb 3)
  timeout 60 lv2file -i in_$rate.wav -o lv2file_busy.wav "${set_file[@]}" "$uri" >/dev/null
  timeout 60 lv2apply -i in_$rate.wav -o lv2apply_busy.wav "${set_apply[@]}" "$uri"
  "$cli" render in_$rate.wav cli_busy.wav --tail 0 --quiet --bpm 133 --tpb 3 \
    --set dly_delayl=1500 --set dly_delayr=35000 --set dly_fbackl=70 --set cho_lfotype=1 \
    --set flt_type=1 --set flt_cutoff=40000 --set flt_res=30 --set pan_lfotype=3 \
    --set dly_model=3 --set dly_mparal=40
  check "lv2file, busy setting at 133 BPM, 3 ticks a beat, $rate Hz" lv2file_busy.wav cli_busy.wav
  check "lv2apply, busy setting at 133 BPM, 3 ticks a beat, $rate Hz" lv2apply_busy.wav cli_busy.wav
  # A different setting must give a different file, or the comparison proves nothing.
  if cmp -s <(samples lv2file_busy.wav) <(samples cli_defaults.wav); then
    echo "FAIL: the settings did not reach the plug-in"; fails=$((fails + 1))
  fi
done

# Input no host should send enters as silence in every host form alike: NaN, both infinities,
# 3e38 (finite, but not once scaled to the machine's range) and the largest float, on both
# channels, between the clicks; the rest of the file passes as before.
cp in_44100.wav odd.wav
at=$(( $(grep -abo data odd.wav | head -n 1 | cut -d: -f1) + 8 ))
poke() {  # sample index, its four bytes in hex, little-endian
  printf "$(echo "$2" | sed 's/../\\x&/g')" | dd of=odd.wav bs=1 seek=$((at + 4 * $1)) conv=notrunc status=none
}
for pair in "1000 0000c07f" "1001 0000c0ff" "2000 0000807f" "2001 000080ff" "3000 e6b1617f" \
            "3001 e6b161ff" "4000 ffff7f7f" "4001 ffff7fff" "5000 0000807f" "5001 ffff7f7f"; do
  poke $pair
done
timeout 60 lv2file -i odd.wav -o lv2file_odd.wav -p dly_fbackl:70 -p dly_model:3 "$uri" >/dev/null
timeout 60 lv2apply -i odd.wav -o lv2apply_odd.wav -c dly_fbackl 70 -c dly_model 3 "$uri"
"$cli" render odd.wav cli_odd.wav --tail 0 --quiet --set dly_fbackl=70 --set dly_model=3
check "lv2file, NaN, infinities, 3e38 and the largest float in" lv2file_odd.wav cli_odd.wav
check "lv2apply, NaN, infinities, 3e38 and the largest float in" lv2apply_odd.wav cli_odd.wav
[ $fails -eq 0 ]
