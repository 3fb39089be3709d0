#!/usr/bin/env bash
# The bundle as Debian's LV2 tools see it: lv2_validate finds 0 errors (its exit status is
# 0 even with errors, so its output is read), lv2ls lists the four plugins, lv2info shows
# the ports hosts rely on, and lv2apply (one frame per run() call) equals `halvane render`.
#   lv2_bundle_test.sh LV2_DIR HALVANE_CLI WAV_COMPARE
set -euo pipefail
lv2dir=$1 cli=$2 compare=$3
export LV2_PATH=$lv2dir
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0 pass=0
check() {  # NAME COMMAND...
    local name=$1; shift
    if "$@" >"$tmp/out" 2>&1; then pass=$((pass + 1)); echo "ok   $name: $(tail -1 "$tmp/out")"
    else fail=$((fail + 1)); echo "FAIL $name"; cat "$tmp/out"; fi
}

validate() {
    lv2_validate "$lv2dir"/halvane.lv2/*.ttl >"$tmp/v" 2>&1 || true
    grep -E '^Found [0-9]+ errors' "$tmp/v" | tee /dev/stderr | grep -q '^Found 0 errors' || { cat "$tmp/v"; return 1; }
}
check "lv2_validate reports 0 errors" validate

listed() {
    [ "$(lv2ls)" = $'urn:halvane:encoder\nurn:halvane:headphone\nurn:halvane:headphone-stereo\nurn:halvane:upmix' ]
}
check "lv2ls lists the four plugins" listed

symbols() {  # URI SYMBOL...
    local uri=$1; shift
    lv2info "$uri" >"$tmp/info"
    for s in "$@"; do grep -q "Symbol: *$s\$" "$tmp/info" || { echo "no port $s in $uri"; return 1; }; done
    echo "$# ports found"
}
check "upmix ports" symbols urn:halvane:upmix in_l in_r out_fl out_fr out_fc out_lfe out_sl out_sr dwMode \
    dwSurroundMode dwCentreWeight dwSurroundDelayMusic dwSurroundDelayMovie bMusicSurroundShelf nMasterGain \
    dwDelayL dwDelayR dwDelayC dwDelaySub dwDelaySL dwDelaySR nTrimL nTrimR nTrimC nTrimSub nTrimSL nTrimSR \
    bLFERedir bLFEInvert dwLFECutoff output_gain enabled
check "encoder ports" symbols urn:halvane:encoder in_fl in_fr in_fc in_lfe in_sl in_sr out_l out_r output_gain enabled
check "headphone ports" symbols urn:halvane:headphone in_fl in_fr in_fc in_lfe in_sl in_sr out_l out_r \
    dwHeadphonesMode nMasterGain output_gain enabled latency block
check "headphone-stereo ports" symbols urn:halvane:headphone-stereo in_l in_r out_l out_r dwHeadphonesMode \
    nMasterGain bHeadphonesDecodeMusic bHeadphonesDecodeMovie output_gain enabled latency block

sox -n -r 48000 -c 2 -b 32 -e float "$tmp/st.wav" synth 1 pinknoise synth 1 brownnoise gain -3
sox -n -r 44100 -c 6 -b 32 -e float "$tmp/six.wav" synth 1 pinknoise whitenoise sine 300 sine 60 brownnoise \
    sine 1000 gain -6
apply() {  # URI IN REF_ARGS COMPARE_ARGS... (lv2apply controls come from $controls)
    local uri=$1 in=$2 args=$3; shift 3
    # shellcheck disable=SC2086
    lv2apply -i "$in" -o "$tmp/plugin.wav" ${controls:-} "$uri" >/dev/null
    # shellcheck disable=SC2086
    "$cli" render "$in" "$tmp/ref.wav" $args >/dev/null
    "$compare" "$tmp/ref.wav" "$tmp/plugin.wav" "$@"
}
controls="-c dwMode 1 -c bLFERedir 1 -c nTrimC -5" \
    check "lv2apply upmix passive = render" apply urn:halvane:upmix "$tmp/st.wav" \
    "--mode passive --set bLFERedir=1 --set nTrimC=-5"
controls="-c dwSurroundMode 0" check "lv2apply upmix steered = render" apply urn:halvane:upmix "$tmp/st.wav" \
    "--mode hv --set dwSurroundMode=0" --map 0,1,2,4,5
check "lv2apply encoder = render" apply urn:halvane:encoder "$tmp/six.wav" "--mode encoder"
controls="-c dwHeadphonesMode 1" check "lv2apply headphone (44.1 kHz) = render, 8191 later" apply \
    urn:halvane:headphone "$tmp/six.wav" "--mode headphone --set dwHeadphonesMode=1" --offsets 8191
controls="-c bHeadphonesDecodeMusic 0" check "lv2apply headphone-stereo (48 kHz) = render, 8191 later" apply \
    urn:halvane:headphone-stereo "$tmp/st.wav" "--mode headphone --set bHeadphonesDecodeMusic=0" --offsets 8191

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
