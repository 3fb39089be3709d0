#!/usr/bin/env bash
# The shipped PipeWire sinks on a private headless daemon (pw_graph_run.sh: temporary
# runtime dir, no sound card, no D-Bus, null driver; it stops every process it starts).
# A known file is played into each sink and what comes out is recorded and set beside
# `halvane render` of the same file and settings.
#
# What is fixed and tested: the graph loads our plugins, the channel order (per-channel
# peaks equal the reference's within 0.5 dB), the level (energy within 3 dB) and, for the
# headphone sink, that full-scale uncorrelated 5.1 pink noise stays below 0 dBFS.
# What varies: the start offset is 0 or one quantum from run to run, and on a loaded
# machine the timer-driven graph can drop cycles (gaps of silence). The sample-exact
# comparison after alignment is therefore printed, and required only with PW_EXACT=1.
#   pipewire_sinks_test.sh SRC_DIR LV2_DIR HALVANE_CLI WAV_COMPARE
set -uo pipefail
src=$1 lv2dir=$2 cli=$3 compare=$4
here=$src/tests/pipewire
export LV2_PATH=$lv2dir
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
pass=0 fail=0
ok() { pass=$((pass + 1)); echo "ok   $*"; }
bad() { fail=$((fail + 1)); echo "FAIL $*"; }

# The drop-in files hold the same filter-chain block as the complete configurations.
for f in halvane-headphones.conf halvane-upmix.conf; do
    block() { sed -n '/libpipewire-module-filter-chain/,$p' "$1"; }
    if [ "$(block "$src/pipewire/$f")" = "$(block "$src/pipewire/pipewire.conf.d/$f")" ]; then ok "$f drop-in block"
    else bad "$f: drop-in block differs from the complete configuration"; fi
done

# levels REF OUT GAIN_DB: channel peaks within 0.5 dB, energy within 3 dB.
levels() {
    python3 - "$here/wav_levels.py" "$1" "$2" "$3" <<'PY'
import subprocess, sys
tool, ref, out, gain = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
def lv(p): return [tuple(map(float, l.split())) for l in subprocess.check_output([sys.executable, tool, p], text=True).splitlines()]
r, o = lv(ref), lv(out)
if len(r) != len(o): sys.exit("channels: %d reference, %d out" % (len(r), len(o)))
for c, (a, b) in enumerate(zip(r, o)):
    if a[0] < -200 and b[0] < -200: continue
    if abs(a[0] + gain - b[0]) > 0.5: sys.exit("channel %d peak %.2f dB, reference %.2f dB" % (c, b[0], a[0] + gain))
print("peaks " + " ".join("%.1f" % b[0] for b in o))
PY
}
energy() {  # REF OUT GAIN_DB
    python3 - "$1" "$2" "$3" <<'PY'
import array, struct, sys, math
def e(p):
    f = open(p, 'rb'); f.read(12)
    while True:
        h = f.read(8); cid, size = h[:4], struct.unpack('<I', h[4:])[0]
        if cid == b'data':
            a = array.array('f'); raw = f.read(size); a.frombytes(raw[:len(raw) - len(raw) % 4]); return sum(v * v for v in a)
        f.seek(size + (size & 1), 1)
d = 10 * math.log10(e(sys.argv[2]) / e(sys.argv[1])) - float(sys.argv[3])
print("energy %+.2f dB against the reference" % d)
sys.exit(0 if abs(d) <= 3 else 1)
PY
}

run_sink() {  # NAME CONF IN RENDER_ARGS GAIN_DB MAP
    local name=$1 conf=$2 in=$3 args=$4 gain=$5 map=$6
    "$cli" render "$in" "$tmp/ref.wav" $args >/dev/null || { bad "$name: render"; return; }
    if ! bash "$here/pw_graph_run.sh" run --filter "$conf" --in "$in" --out "$tmp/out.wav" --timeout 30 \
        2>"$tmp/err"; then
        bad "$name: graph run: $(tail -1 "$tmp/err")"; return
    fi
    # The reference keeps the channels the sink has (the command line writes 5.0 for 5 outputs).
    if r=$(levels "$tmp/ref.wav" "$tmp/out.wav" "$gain" 2>&1); then ok "$name channel order: $r"; else bad "$name: $r"; fi
    if r=$(energy "$tmp/ref.wav" "$tmp/out.wav" "$gain"); then ok "$name level: $r"; else bad "$name: $r"; fi
    local g; g=$(python3 -c "print(10 ** ($gain / 20))")
    # Offsets: 0 or one quantum of graph start, plus the plugin latency at either block size.
    local offs="0,1024,511,1535,8191,9215"
    if r=$("$compare" "$tmp/ref.wav" "$tmp/out.wav" --offsets "$offs" --map "$map" --gain "$g" --tol 1e-4); then
        ok "$name sample-exact: $r"
    elif [ "${PW_EXACT:-0}" = 1 ]; then bad "$name sample-exact: $r"
    else echo "info $name not sample-exact on this run (dropped cycles?): $r"; fi
    cp "$tmp/out.wav" "$tmp/$name.wav"
}

sox -n -r 48000 -c 2 -b 32 -e float "$tmp/st.wav" synth 2 pinknoise sine 550 gain -3
run_sink upmix "$src/pipewire/halvane-upmix.conf" "$tmp/st.wav" "--mode hv --set bLFERedir=1" 0 0,1,2,3,4,5
sox -n -r 48000 -c 6 -b 32 -e float "$tmp/pink.wav" synth 2 pinknoise pinknoise pinknoise pinknoise \
    pinknoise pinknoise
run_sink headphones "$src/pipewire/halvane-headphones.conf" "$tmp/pink.wav" "--mode headphone" -16 0,1
if [ -f "$tmp/headphones.wav" ]; then
    peak=$(python3 "$here/wav_levels.py" "$tmp/headphones.wav" | awk '{print $1}' | sort -n | tail -1)
    if python3 -c "import sys; sys.exit(0 if $peak < 0 else 1)"; then ok "headphones: full-scale 5.1 pink peaks at $peak dBFS"
    else bad "headphones: full-scale 5.1 pink peaks at $peak dBFS"; fi
fi
echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
