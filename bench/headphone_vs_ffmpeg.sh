#!/usr/bin/env bash
# Speed of halvane's headphone stage against ffmpeg's `headphone` filter doing the same job:
# 5.1 at 44.1 kHz to binaural stereo with our 8192-tap Music responses, both on one core,
# run one after the other on the same machine (best of ROUNDS each), as x-realtime and ratio.
#
#   bench/headphone_vs_ffmpeg.sh [seconds-of-audio]     (default 60)
#   env: ROUNDS (3), FFMPEG_SIZE (ffmpeg's block length, default 8192 like ours), BUILD_DIR
#
# Both figures are CPU time (user + system): halvane's from Google Benchmark's CPU clock,
# ffmpeg's from its -benchmark report, so other load on a shared machine counts little.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
rounds=${ROUNDS:-3}
size=${FFMPEG_SIZE:-8192}
bench=${BUILD_DIR:-build}/bench/headphone_bench
bank=headphone/hrir_bank.bin

if ! command -v ffmpeg >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  echo "installing ffmpeg" >&2
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq ffmpeg >/dev/null
fi
[ -x "$bench" ] || { echo "no $bench: run scripts/build first" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# The Music responses of L, R, C, SL, SR as stereo files (bank order: the two ears of one
# source are neighbours, 8192 floats = 32768 bytes each).
for s in 0 1 2 3 4; do
  dd if="$bank" of="$tmp/l.raw" bs=32768 skip=$((s * 2)) count=1 status=none
  dd if="$bank" of="$tmp/r.raw" bs=32768 skip=$((s * 2 + 1)) count=1 status=none
  ff -f f32le -ar 44100 -ac 1 -i "$tmp/l.raw" -f f32le -ar 44100 -ac 1 -i "$tmp/r.raw" \
     -filter_complex "[0:a][1:a]join=inputs=2:channel_layout=stereo" -c:a pcm_f32le "$tmp/h$s.wav"
done

# Six independent noise channels, 5.1 (FL FR FC LFE BL BR), float samples.
inputs=() ; labels=""
for c in 1 2 3 4 5 6; do
  inputs+=(-f lavfi -i "anoisesrc=d=$secs:r=44100:a=0.25:c=white:seed=$c")
  labels+="[$((c - 1)):a]"
done
ff "${inputs[@]}" -filter_complex "${labels}join=inputs=6:channel_layout=5.1" -c:a pcm_f32le "$tmp/in.wav"

# One response per mapped channel; ffmpeg adds the LFE without convolving it.
run_ffmpeg() {
  ffmpeg -hide_banner -nostats -benchmark -threads 1 -filter_threads 1 -filter_complex_threads 1 \
    -i "$tmp/in.wav" -i "$tmp/h0.wav" -i "$tmp/h1.wav" -i "$tmp/h2.wav" -i "$tmp/h0.wav" -i "$tmp/h3.wav" -i "$tmp/h4.wav" \
    -filter_complex "[0:a][1:a][2:a][3:a][4:a][5:a][6:a]headphone=map=FL|FR|FC|LFE|BL|BR:type=freq:size=$size" \
    -f null - 2>&1 | sed -n 's/.*utime=\([0-9.]*\)s stime=\([0-9.]*\)s.*/\1 \2/p'
}
run_halvane() {
  "$bench" --benchmark_filter='BM_Headphone51$' --benchmark_format=json 2>/dev/null |
    sed -n 's/.*"xRT": \([0-9.e+-]*\).*/\1/p' | head -n1
}

best_ff=0 best_hv=0
for ((r = 1; r <= rounds; ++r)); do
  read -r ut st < <(run_ffmpeg)
  x_ff=$(awk -v d="$secs" -v u="$ut" -v s="$st" 'BEGIN { printf "%.1f", d / (u + s) }')
  x_hv=$(awk -v x="$(run_halvane)" 'BEGIN { printf "%.1f", x }')
  echo "round $r: halvane ${x_hv}x  ffmpeg ${x_ff}x realtime"
  best_ff=$(awk -v a="$best_ff" -v b="$x_ff" 'BEGIN { print (b > a ? b : a) }')
  best_hv=$(awk -v a="$best_hv" -v b="$x_hv" 'BEGIN { print (b > a ? b : a) }')
done
echo "halvane headphone 5.1, processor, one core:   ${best_hv}x realtime"
echo "ffmpeg headphone (type=freq size=$size), 1 thread: ${best_ff}x realtime"
awk -v a="$best_hv" -v b="$best_ff" 'BEGIN { printf "ratio halvane / ffmpeg: %.2f\n", a / b }'
