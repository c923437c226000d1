#!/usr/bin/env bash
# A digest of everything the front ends make for fixed inputs: what the tool prints (help texts,
# params, presets, the settings of every factory preset, the echo table of every preset's plot),
# what it writes (the demo, a render of a fixed file with a rich setting, plot pictures, a saved
# preset, a replayed script) and the generated LV2 bundle. One line per item, "NAME SHA256", so
# that two builds compare with diff:
#   bench/frontend_digest.sh build/default > before.txt    # on the commit before a change
#   bench/frontend_digest.sh build/default | diff before.txt -
set -euo pipefail
build=$(cd "${1:?usage: frontend_digest.sh BUILD_DIR}" && pwd)
tool="$build/tarvo-delay"
bundle="$build/lib/lv2/tarvo-delay.lv2"
[ -x "$tool" ] || { echo "frontend_digest: no $tool" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

digest() { printf '%s %s\n' "$1" "$(sha256sum | cut -d' ' -f1)"; }
# Standard output and the exit status, so that a changed failure shows too.
run() {
    local name=$1
    shift
    { "$@" 2>&1 || echo "exit $?"; } | digest "$name"
}

run help "$tool" --help
for command in demo render params presets script plot; do
    run "help-$command" "$tool" "$command" --help
done
run params "$tool" params
run params-json "$tool" params --json
run params-22k "$tool" params --json --rate 22050 --bpm 97.5 --tpb 3 \
    --set "FLT Cutoff=4.2kHz" --set "DLY DelayL=1/16t" --set "DLY ModeR=Bitcrusher" --set "DLY MParaR=6 bit"
run presets "$tool" presets
run presets-json "$tool" presets --json
presets=$("$tool" presets | awk 'NR > 0 && $1 ~ /^[a-z]/ {print $1}')
for preset in $presets; do
    run "params-$preset" "$tool" params --preset "$preset" --json
    run "plot-$preset" "$tool" plot --preset "$preset" --json -o "$preset.png"
    digest "plot-$preset-png" <"$preset.png"
done
run plot-svg "$tool" plot --preset dub-echo --theme light --side left --whole -o "p.svg"
digest plot-svg-file <"p.svg"

run demo "$tool" demo -o "demo.wav"
digest demo-wav <"demo.wav"
run demo-preset "$tool" demo --preset tape-wobble -o "demo-tape.wav"
digest demo-preset-wav <"demo-tape.wav"

# A rich setting: a preset, values in every form, automation with changes of mode and filter.
cat >"automation.txt" <<'TEXT'
# tick changes
0   DLY_FbackL=20 CHO_LFOType=Sine
8   DLY_FbackL=85 FLT_Type=BP DLY_ModeR=Bitcrusher DLY_MParaR=6_bit
16  FLT_Cutoff=2.5kHz DLY_DelayL=1/8. AMP_WetoutL=-6dB PAN_LFOType=Tri ETC_Resample=22050Hz
24  DLY_ModeL=Reverse FLT_Type=LP/HP Inertia=3
TEXT
run render "$tool" render "demo.wav" "render.wav" --preset dub-echo \
    --set "DLY ModeL=Clipping" --set "DLY MParaL=40" --set "DLY DelayR=250ms" \
    --set "FLT Res=35%" --automation "automation.txt" --bpm 120 --tpb 4 --tail 2 \
    --save-preset "saved.preset" --quiet
digest render-wav <"render.wav"
digest render-saved-preset <"saved.preset"
run render-pcm16 "$tool" render "demo.wav" "render.flac" --set "DLY FbackL=95" \
    --subtype pcm16 --block 77 --tail 0 --quiet
digest render-flac <"render.flac"
"$tool" render "demo.wav" - -t raw --tail 0 --quiet --set "FLT Type=HP" | digest render-raw

# A replayed host session.
cat >"session.txt" <<'TEXT'
rate 48000
tpt 6000
create
tick defaults 5=80 7=2 24=1 25=30000
render 1000 3
tick 1=32100 23=1
render 700 3
render 300 2
text 25 32500
text 9 50
destroy
TEXT
head -c 16000 "render.wav" | tail -c 8000 >"in.f32"
# The session renders past the end of its input, which --pad fills with silence.
run script "$tool" script "session.txt" --in "in.f32" --out "out.f32" --pad
digest script-out <"out.f32"

if [ -d "$bundle" ]; then
    for file in "$bundle"/*.ttl; do digest "lv2-$(basename "$file")" <"$file"; done
fi
