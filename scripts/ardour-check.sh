#!/usr/bin/env bash
# Checks the LV2 and VST 3 plug-ins inside Ardour 7, headless, one after the other:
#   1. Ardour finds and instantiates each from the build tree (LV2_PATH; the
#      VST 3 bundle once Ardour's scanner has cached it, with VST3_PATH).
#   2. A session with a click on a stereo track, the plug-in on it and a tempo
#      in the session's tempo map, exported with ardour7-export: the echoes
#      are spaced by the session's tempo (120 and 90 BPM), and the export
#      equals `tarvo-delay render` of the same click at that tempo.
#   3. Non-default settings made in one Ardour run are there when a second
#      run reopens the saved session (for LV2 also in the .ardour file), and
#      in an export.
#
# Usage: scripts/ardour-check.sh BUILD_DIR      (e.g. build/default)
# Exit 0: all held; 1: a check failed; 77: Ardour 7 is not installed.
# Kept out of the test suite and CI: it needs Ardour (apt-get install ardour) and
# takes about a minute.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
lua_dir=$here/ardour
echoes=$lua_dir/echoes.py

die() {
    echo "ardour-check: FAIL: $*" >&2
    exit 1
}

[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd) || die "no build directory $1"
bundle=$build/lib/lv2/tarvo-delay.lv2
vst3_bundle="$build/lib/vst3/Tarvo Delay.vst3"
cli=$build/tarvo-delay
[[ -f $bundle/tarvo-delay.so && -f $bundle/tarvo-delay.ttl ]] || die "no LV2 bundle in $bundle (build first)"
[[ -x $cli ]] || die "no $cli (build first)"

for tool in ardour7-lua ardour7-export; do
    if ! command -v "$tool" >/dev/null; then
        echo "ardour-check: SKIP: $tool not found (apt-get install ardour)"
        exit 77
    fi
done
command -v python3 >/dev/null || die "python3 is needed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Ardour keeps its configuration and plug-in cache under HOME; a fresh one per
# run means nothing from an earlier scan or session decides the outcome.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME"
export LV2_PATH=$build/lib/lv2:/usr/lib/lv2
export VST3_PATH=$build/lib/vst3

rate=48000
# The click comes after the first tick at either tempo: the plug-in glides
# every control from its default over the first tick ("Inertia" 1), and Ardour
# has run it for a while before the export starts, `tarvo-delay render` not.
click_at=14400
seconds=4
tries=4

# Ardour's session tools sometimes crash on a small machine (also without any
# plug-in); a run that dies by a signal or times out is repeated, a run that
# ends with its own error is a failure.
crashed() { [[ $1 -eq 124 || $1 -ge 128 ]]; }

# run_lua LOG SCRIPT ARGS...: the session directory, when the script creates
# one, is ARGS[0] and is removed before a repeat.
run_lua() {
    local log=$1 script=$2 rc=0 try
    shift 2
    cat "$lua_dir/common.lua" "$lua_dir/$script" >"$work/$script"
    for ((try = 1; try <= tries; try++)); do
        rc=0
        timeout 180 ardour7-lua "$work/$script" "$@" >"$log" 2>&1 || rc=$?
        if crashed "$rc"; then
            echo "  ardour7-lua $script: ended with status $rc (try $try of $tries)"
            [[ $script == make-session.lua ]] && rm -rf "$1"
            continue
        fi
        break
    done
    if [[ $rc -ne 0 ]]; then
        grep -v 'call-slot\|direct dispatch' "$log" | tail -n 20 >&2 || true
        die "ardour7-lua $script ${*} exited with status $rc"
    fi
}

# export_session DIR NAME OUT
export_session() {
    local dir=$1 name=$2 out=$3 rc try
    for ((try = 1; try <= tries; try++)); do
        rc=0
        rm -f "$out"
        timeout 300 ardour7-export -b float -o "$out" "$dir" "$name" >"$out.log" 2>&1 || rc=$?
        if [[ $rc -eq 0 && -s $out ]]; then
            return 0
        fi
        echo "  ardour7-export $name: ended with status $rc (try $try of $tries)"
        crashed "$rc" || break
    done
    grep -v 'call-slot\|direct dispatch' "$out.log" | tail -n 20 >&2 || true
    die "ardour7-export of $name did not complete"
}

# port_of SYMBOL: the index by which Ardour addresses a control of the plug-in
# under test: its LV2 port index, or its VST 3 parameter id, which counts the
# same controls from 0 where the LV2 ports put the four audio ports first.
port_of() {
    local port
    port=$(python3 "$echoes" port "$bundle/tarvo-delay.ttl" "$1")
    [[ $TARVO_PLUGIN_TYPE == VST3 ]] && port=$((port - 4))
    echo "$port"
}

# make_session NAME BPM [SYMBOL=VALUE ...]: the session in $work/NAME, the
# click written into its region.
make_session() {
    local name=$1 bpm=$2 sym value port
    shift 2
    local ports=()
    for setting in "$@"; do
        sym=${setting%%=*} value=${setting#*=}
        port=$(port_of "$sym")
        ports+=("$port=$value")
    done
    run_lua "$work/$name.make.log" make-session.lua "$work/$name" "$name" "$bpm" "$seconds" "${ports[@]}"
    grep -q '^PLUGIN Tarvo Delay in=2 out=2$' "$work/$name.make.log" ||
        die "Ardour did not report the plug-in as stereo in, stereo out"
    local sources=()
    mapfile -t sources < <(sed -n 's/^SOURCE //p' "$work/$name.make.log")
    [[ ${#sources[@]} -eq 2 ]] || die "expected two region files for $name, got ${#sources[@]}"
    python3 "$echoes" click "${sources[@]}" --at "$click_at" --amp 0.5
    # The overview peaks were made from the silent files.
    rm -rf "$work/$name/peaks"
    mkdir -p "$work/$name/peaks"
}

# The click as a plain stereo file for `tarvo-delay render`.
python3 - "$work/click.wav" "$rate" "$click_at" <<'EOF'
import struct, sys
path, rate, at = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
frames = rate // 2
data = bytearray(frames * 8)
struct.pack_into("<ff", data, at * 8, 0.5, 0.5)
fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
open(path, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
EOF

# check_export NAME BPM TICKS_L TICKS_R [SYMBOL=VALUE ...]: the echo spacing of
# each channel against TICKS ticks at BPM, and the export against the render.
failures=0
check_export() {
    local name=$1 bpm=$2 ticks_l=$3 ticks_r=$4
    shift 4
    local out=$work/$name.wav
    export_session "$work/$name" "$name" "$out"
    local sets=()
    for setting in "$@"; do sets+=(--set "$setting"); done
    # The range lasts $seconds; the click file half a second.
    "$cli" render "$work/click.wav" "$work/$name.render.wav" --bpm "$bpm" --tpb 4 \
        --tail "$(python3 -c "print($seconds - 0.5)")" --quiet "${sets[@]}"
    local tick expect ch ticks spacing peaks first offset ratio
    tick=$(python3 -c "print(round($rate * 60 / ($bpm * 4)))")
    for ch in 0 1; do
        ticks=$ticks_l
        [[ $ch -eq 1 ]] && ticks=$ticks_r
        expect=$((ticks * tick))
        read -r spacing peaks first offset ratio < <(python3 "$echoes" spacing "$out" --channel "$ch") ||
            die "$name: no echoes measured on channel $ch"
        printf '  %-6s %3s BPM ch%d: echoes %5d frames apart (expected %5d = %d ticks of %d); %d peaks, click at %d, first echo +%d, each echo %s of the one before\n' \
            "$name" "$bpm" "$ch" "$spacing" "$expect" "$ticks" "$tick" "$peaks" "$first" "$offset" "$ratio"
        if [[ $spacing -ne $expect ]]; then
            echo "ardour-check: FAIL: $name channel $ch: echoes $spacing frames apart, expected $expect" >&2
            failures=$((failures + 1))
        fi
        if [[ $first -ne $click_at ]]; then
            echo "ardour-check: FAIL: $name channel $ch: the click is at frame $first, not $click_at" >&2
            failures=$((failures + 1))
        fi
    done
    local diff frames
    read -r diff frames < <(python3 "$echoes" compare "$out" "$work/$name.render.wav")
    echo "  $name: largest difference from tarvo-delay render --bpm $bpm over $frames frames: $diff"
    if ! python3 -c "import sys; sys.exit(0 if $diff <= 1e-6 else 1)"; then
        echo "ardour-check: FAIL: $name: the export differs from tarvo-delay render by $diff" >&2
        failures=$((failures + 1))
    fi
}

echo "ardour-check: $(ardour7-lua --version 2>/dev/null | head -n 1), LV2_PATH=$LV2_PATH, VST3_PATH=$VST3_PATH"

# check_format TYPE ID: the sessions with the plug-in of that type in Ardour's list.
check_format() {
    export TARVO_PLUGIN_TYPE=$1 TARVO_PLUGIN_ID=$2
    local f=${1,,}
    echo "1. $1: the plug-in in Ardour, and the echoes against the session tempo"
    make_session ${f}120 120
    check_export ${f}120 120 4 4
    make_session ${f}90 90
    check_export ${f}90 90 4 4

    echo "2. $1: settings saved with the session"
    local settings=(dly_delayl=3000 dly_fbackl=70) sym value port got
    make_session ${f}saved 120 "${settings[@]}"
    local xml=$work/${f}saved/${f}saved.ardour
    if [[ $1 == LV2 ]]; then  # a VST 3's settings are its own state, in base64
        for setting in "${settings[@]}"; do
            sym=${setting%%=*} value=${setting#*=}
            grep -q "<Port symbol=\"$sym\" value=\"$value\"/>" "$xml" ||
                die "the saved session does not hold $sym=$value: $(grep -o "<Port symbol=\"$sym\"[^>]*>" "$xml")"
            echo "  ${f}saved.ardour: $(grep -o "<Port symbol=\"$sym\"[^>]*>" "$xml")"
        done
    fi
    run_lua "$work/${f}saved.read.log" read-params.lua "$work/${f}saved" ${f}saved
    grep -q '^TEMPO 120$' "$work/${f}saved.read.log" ||
        die "the reopened session's tempo is not 120: $(grep TEMPO "$work/${f}saved.read.log")"
    for setting in "${settings[@]}" dly_delayr=4000 dly_fbackr=50; do
        sym=${setting%%=*} value=${setting#*=}
        port=$(port_of "$sym")
        got=$(sed -n "s/^PARAM $port=//p" "$work/${f}saved.read.log")
        echo "  reopened: $sym (index $port) = $got"
        python3 -c "import sys; sys.exit(0 if float('$got' or 'nan') == $value else 1)" ||
            die "the reopened session has $sym=${got:-nothing}, expected $value"
    done
    check_export ${f}saved 120 3 4 "${settings[@]}"
}

check_format LV2 https://tarvo-audio.org/lv2/tarvo-delay

# Ardour finds a VST 3 only once its scanner has cached it for this HOME; the
# cache names the class id Ardour lists it by.
if [[ -d $vst3_bundle ]]; then
    scanner=$(dpkg -L ardour 2>/dev/null | grep '/ardour-vst3-scanner$' | head -n 1)
    [[ -x $scanner ]] || die "no ardour-vst3-scanner in the ardour package"
    LD_LIBRARY_PATH=$(dirname "$scanner") timeout 120 "$scanner" -f -q "$vst3_bundle" ||
        die "ardour-vst3-scanner could not scan $vst3_bundle"
    uid=$(grep -ho 'VST3Info uid="[0-9A-F]*"' "$XDG_CACHE_HOME"/ardour7/vst/*.v3i | head -n 1 | cut -d'"' -f2)
    [[ -n $uid ]] || die "the scanner cached no class id for $vst3_bundle"
    check_format VST3 "$uid"
else
    echo "ardour-check: no VST 3 bundle in $build/lib/vst3; only the LV2 plug-in was checked"
fi

if [[ $failures -ne 0 ]]; then
    die "$failures check(s) failed"
fi
echo "ardour-check: all checks passed"
