#!/usr/bin/env bash
# pw_graph_run.sh: plays a WAV file through a filter-chain configuration and records what
# comes out, on a private PipeWire daemon (private runtime dir, no D-Bus, no devices, no
# session manager; a timer driver).
#   pw_graph_run.sh run --filter FC.conf --in in.wav --out out.wav [options]
# The ports are configured (PortConfig dsp) and linked by position name with pw-cli and
# pw-link; the driver is created only after every link exists, so player, filter and
# recorder start on the same graph cycle. Every process started is stopped on exit.
set -u

usage() {
  cat <<'EOF'
usage: pw_graph_run run --filter FC.conf --in IN.wav --out OUT.wav [options]
  --timeout S      overall limit for every wait (default 60; the playback
                   wait gets S plus the input duration)
  --format F       sample format of OUT.wav: f32 (default), s16, s24, s32
  --quantum N      graph quantum in frames (default 1024, fixed)
  --rate R         graph rate (default: rate of IN.wav; other rates resample)
  --tail S         seconds to keep recording after playback ends (default 0.5)
  --capture-node N / --playback-node N
                   node names of the filter-chain sides (default: found from
                   the nodes the filter-chain process creates)
  --keep           keep the runtime dir and logs (path printed on stderr)
  -v, --verbose    progress on stderr
Channel i of IN.wav feeds position i of the capture side's audio.position;
OUT.wav channel j is position j of the playback side. OUT.wav starts with the
graph start (constant leading offset) and ends with silence.
EOF
}

PIDS=()          # everything we start, in start order
RT=""
KEEP=0
VERBOSE=0
log() { [ "$VERBOSE" = 1 ] && echo "pw_graph_run: [$(date +%s.%N | cut -c7-14)] $*" >&2; return 0; }

cleanup() {
  local i pid n
  for ((i=${#PIDS[@]}-1; i>=0; i--)); do
    pid=${PIDS[$i]}
    kill -0 "$pid" 2>/dev/null || continue
    kill -TERM "$pid" 2>/dev/null
    for n in $(seq 1 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  PIDS=()
  if [ -n "$RT" ] && [ -d "$RT" ]; then
    if [ "$KEEP" = 1 ]; then echo "pw_graph_run: kept $RT" >&2; else rm -rf "$RT"; fi
  fi
}
die() { echo "pw_graph_run: error: $*" >&2; cleanup; exit 1; }
trap 'die "interrupted"' INT TERM HUP

# wait_for SECONDS CMD... : poll CMD every 50 ms until it succeeds
wait_for() {
  local t=$1; shift
  local end=$(( $(date +%s%N) + ${t%.*} * 1000000000 ))
  until "$@"; do
    [ "$(date +%s%N)" -ge "$end" ] && return 1
    sleep 0.05
  done
}

[ $# -ge 1 ] || { usage >&2; exit 2; }
case "$1" in
  run) shift ;;
  -h|--help|help) usage; exit 0 ;;
  *) echo "pw_graph_run: error: unknown command '$1'" >&2; usage >&2; exit 2 ;;
esac

FILTER="" IN="" OUT="" TIMEOUT=60 FORMAT=f32 QUANTUM=1024 RATE="" TAIL=0.5
CAP_NAME="" PB_NAME=""
while [ $# -gt 0 ]; do
  case "$1" in
    --filter) FILTER=${2:-}; shift 2 ;;
    --in) IN=${2:-}; shift 2 ;;
    --out) OUT=${2:-}; shift 2 ;;
    --timeout) TIMEOUT=${2:-}; shift 2 ;;
    --format) FORMAT=${2:-}; shift 2 ;;
    --quantum) QUANTUM=${2:-}; shift 2 ;;
    --rate) RATE=${2:-}; shift 2 ;;
    --tail) TAIL=${2:-}; shift 2 ;;
    --capture-node) CAP_NAME=${2:-}; shift 2 ;;
    --playback-node) PB_NAME=${2:-}; shift 2 ;;
    --keep) KEEP=1; shift ;;
    -v|--verbose) VERBOSE=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "pw_graph_run: error: unknown option '$1'" >&2; exit 2 ;;
  esac
done
[ -n "$FILTER" ] && [ -n "$IN" ] && [ -n "$OUT" ] || { echo "pw_graph_run: error: --filter, --in and --out are required" >&2; exit 2; }
[ -r "$FILTER" ] || { echo "pw_graph_run: error: cannot read filter config $FILTER" >&2; exit 2; }
[ -r "$IN" ] || { echo "pw_graph_run: error: cannot read input $IN" >&2; exit 2; }
case "$FORMAT" in f32|s16|s24|s32) ;; *) echo "pw_graph_run: error: bad --format $FORMAT" >&2; exit 2 ;; esac
[[ "$TIMEOUT" =~ ^[0-9]+$ ]] || { echo "pw_graph_run: error: --timeout must be whole seconds" >&2; exit 2; }
for tool in pipewire pw-cli pw-dump pw-link pw-play pw-record python3; do
  command -v "$tool" >/dev/null || { echo "pw_graph_run: error: $tool not found (scripts/setup installs it)" >&2; exit 2; }
done
FILTER=$(realpath "$FILTER"); IN=$(realpath "$IN")
OUT=$(realpath -m "$OUT"); rm -f "$OUT"

# ---- input facts: rate channels frames (stdlib only) ----
read -r IN_RATE IN_CH IN_FRAMES < <(python3 - "$IN" <<'EOF'
import struct, sys
f = open(sys.argv[1], 'rb'); h = f.read(12)
if h[:4] != b'RIFF' or h[8:12] != b'WAVE': sys.exit("not a RIFF/WAVE file")
rate = ch = align = None; frames = 0
while True:
    c = f.read(8)
    if len(c) < 8: break
    cid, size = c[:4], struct.unpack('<I', c[4:])[0]
    if cid == b'fmt ':
        d = f.read(size); _, ch, rate, _, align = struct.unpack('<HHIIH', d[:14])
    elif cid == b'data':
        frames = size // align if align else 0; break
    else:
        f.seek(size + (size & 1), 1)
print(rate, ch, frames)
EOF
) || true
[ -n "${IN_FRAMES:-}" ] || die "cannot parse WAV header of $IN"
[ -n "$RATE" ] || RATE=$IN_RATE
# pw-play drops its last partial quantum: append PAD frames of silence
PAD=${PAD_FRAMES:-$(( 2 * QUANTUM ))}
log "input: $IN_CH ch, $IN_RATE Hz, $IN_FRAMES frames; graph rate $RATE quantum $QUANTUM"

# ---- private runtime ----
RT=$(mktemp -d "${TMPDIR:-/tmp}/pw_graph_run.XXXXXX") || die "mktemp failed"
chmod 700 "$RT"; mkdir -p "$RT/conf" "$RT/config" "$RT/state"
# scrub anything that could point at a real session
for v in $(env | sed -n 's/^\(PIPEWIRE_[A-Z_]*\|PULSE_[A-Z_]*\|JACK_[A-Z_]*\|WIREPLUMBER_[A-Z_]*\)=.*/\1/p'); do unset "$v"; done
unset SPA_DEBUG DISPLAY WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$RT" PIPEWIRE_RUNTIME_DIR="$RT" PIPEWIRE_REMOTE="pw_graph_run-$$"
export PIPEWIRE_CONFIG_DIR="$RT/conf" XDG_CONFIG_HOME="$RT/config" XDG_STATE_HOME="$RT/state"
export DBUS_SESSION_BUS_ADDRESS="disabled:" DBUS_SYSTEM_BUS_ADDRESS="disabled:"
export PIPEWIRE_LOG_SYSTEMD=false PIPEWIRE_DEBUG="${PW_SANDBOX_DEBUG:-2}"
# client tools read client.conf / client-rt.conf from PIPEWIRE_CONFIG_DIR only
for c in client.conf client-rt.conf; do
  src=/usr/share/pipewire/$c; [ -r "$src" ] || die "missing $src (package libpipewire-0.3-common)"
  cp "$src" "$RT/conf/$c"
done
cat > "$RT/conf/daemon.conf" <<EOF
context.properties = {
    core.daemon = true
    core.name   = $PIPEWIRE_REMOTE
    default.clock.rate          = $RATE
    default.clock.allowed-rates = [ $RATE ]
    default.clock.quantum       = $QUANTUM
    default.clock.min-quantum   = $QUANTUM
    default.clock.max-quantum   = $QUANTUM
    clock.power-of-two-quantum  = false
    mem.allow-mlock = false
    support.dbus    = false
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-access }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
]
context.objects = [ ]
EOF

start() { # start NAME CMD... ; sets LASTPID
  "${@:2}" >"$RT/$1.log" 2>&1 &
  LASTPID=$!; PIDS+=("$LASTPID"); log "started $1 pid $LASTPID"
}
alive() { kill -0 "$1" 2>/dev/null; }
lastlog() { grep -v 'impl_acquire_rt\|not implemented' "$RT/$1.log" 2>/dev/null | tail -n 1; }

python3 - "$IN" "$RT/in.wav" "$PAD" <<'EOF' || die "cannot write padded copy of $IN"
import struct, sys
src, dst, pad = sys.argv[1], sys.argv[2], int(sys.argv[3])
f = open(src, 'rb'); f.read(12); fmt = data = None
while True:
    c = f.read(8)
    if len(c) < 8: break
    cid, size = c[:4], struct.unpack('<I', c[4:])[0]
    if cid == b'fmt ': fmt = f.read(size); f.read(size & 1)
    elif cid == b'data': data = f.read(size); break
    else: f.seek(size + (size & 1), 1)
tag, ch, rate, _, align, bits = struct.unpack('<HHIIHH', fmt[:16])
silence = b'\x80' if (bits == 8 and tag == 1) else b'\x00'
data = data[:len(data) - len(data) % align] + silence * (pad * align)
out = b'fmt ' + struct.pack('<I', len(fmt)) + fmt + (b'\0' if len(fmt) & 1 else b'') + b'data' + struct.pack('<I', len(data)) + data
open(dst, 'wb').write(b'RIFF' + struct.pack('<I', 4 + len(out)) + b'WAVE' + out)
EOF
IN="$RT/in.wav"

start daemon pipewire -c "$RT/conf/daemon.conf"; DAEMON=$LASTPID
wait_for "$TIMEOUT" test -S "$RT/$PIPEWIRE_REMOTE" || die "daemon socket did not appear: $(lastlog daemon)"
wait_for "$TIMEOUT" pw-cli info 0 >/dev/null 2>&1 || die "daemon does not answer: $(lastlog daemon)"

start filter pipewire -c "$FILTER"; FC=$LASTPID

# graph query helper: prints "id|name|dir|channels|positions|nports" per node
nodes() {
  pw-dump 2>/dev/null | python3 -c '
import json, sys
d = json.load(sys.stdin); pids = {}
for o in d:
    if o.get("type") == "PipeWire:Interface:Client":
        p = (o.get("info") or {}).get("props") or {}
        pids[o["id"]] = str(p.get("application.process.id", ""))
ports = {}
for o in d:
    if o.get("type") == "PipeWire:Interface:Port":
        p = (o.get("info") or {}).get("props") or {}
        ports.setdefault(p.get("node.id"), []).append(p.get("port.name"))
for o in d:
    if o.get("type") != "PipeWire:Interface:Node": continue
    info = o.get("info") or {}; p = info.get("props") or {}
    mc = p.get("media.class", "")
    dirn = "in" if ("Sink" in mc or "Input" in mc) else "out" if ("Source" in mc or "Output" in mc) else "-"
    pos = p.get("audio.position", "")
    if isinstance(pos, list): pos = ",".join(pos)
    pos = str(pos).replace("[", "").replace("]", "").replace(",", " ").split()
    print("|".join([str(o["id"]), p.get("node.name", ""), dirn, str(p.get("audio.channels", len(pos))),
                    ",".join(pos), pids.get(p.get("client.id"), ""), " ".join(sorted(ports.get(o["id"], []), key=str))]))
'
}
default_pos() { # default positions for N channels (filter-chain/pw-cat defaults)
  case $1 in
    1) echo MONO ;; 2) echo FL,FR ;; 3) echo FL,FR,LFE ;; 4) echo FL,FR,RL,RR ;;
    5) echo FL,FR,FC,RL,RR ;; 6) echo FL,FR,FC,LFE,SL,SR ;; 8) echo FL,FR,FC,LFE,SL,SR,RL,RR ;;
    *) local i s=""; for ((i=0;i<$1;i++)); do s="$s${s:+,}AUX$i"; done; echo "$s" ;;
  esac
}
find_fc() {
  alive "$FC" || return 2
  local l; CAP=""; PB=""
  while IFS='|' read -r id name dir ch pos pid ports; do
    if [ -n "$CAP_NAME$PB_NAME" ]; then
      [ "$name" = "$CAP_NAME" ] && CAP="$id|$name|$ch|$pos"
      [ "$name" = "$PB_NAME" ] && PB="$id|$name|$ch|$pos"
    elif [ "$pid" = "$FC" ]; then
      [ "$dir" = in ] && CAP="$id|$name|$ch|$pos"
      [ "$dir" = out ] && PB="$id|$name|$ch|$pos"
    fi
  done < <(nodes)
  [ -n "$CAP" ] && [ -n "$PB" ]
}
wait_for "$TIMEOUT" find_fc || { alive "$FC" || die "filter-chain client exited: $(lastlog filter)"; die "filter-chain nodes did not appear (capture='$CAP' playback='$PB')"; }
IFS='|' read -r CAP_ID CAP_NAME CAP_CH CAP_POS <<<"$CAP"
IFS='|' read -r PB_ID PB_NAME PB_CH PB_POS <<<"$PB"
[ -n "$CAP_POS" ] || CAP_POS=$(default_pos "$CAP_CH")
[ -n "$PB_POS" ] || PB_POS=$(default_pos "$PB_CH")
log "capture node $CAP_NAME (#$CAP_ID) $CAP_CH ch [$CAP_POS]; playback node $PB_NAME (#$PB_ID) $PB_CH ch [$PB_POS]"
[ "$IN_CH" = "$CAP_CH" ] || die "input has $IN_CH channels but capture node $CAP_NAME has $CAP_CH"

portconfig() { # portconfig ID Input|Output POS
  local pos q="" p
  for p in ${3//,/ }; do q="$q${q:+, }\"$p\""; done
  local n; n=$(echo "${3//,/ }" | wc -w)
  pw-cli s "$1" PortConfig "{ \"direction\": \"$2\", \"mode\": \"dsp\", \"monitor\": false, \"control\": false, \"format\": { \"mediaType\": \"audio\", \"mediaSubtype\": \"raw\", \"format\": \"F32P\", \"rate\": $RATE, \"channels\": $n, \"position\": [ $q ] } }" >/dev/null 2>&1
}
nports() { # nports NODENAME N : true when node has N ports
  local c; c=$(nodes | awk -F'|' -v n="$1" '$2==n {print $7}' | wc -w); [ "$c" -ge "$2" ]
}
node_id() { nodes | awk -F'|' -v n="$1" '$2==n {print $1; exit}'; }

portconfig "$CAP_ID" Input "$CAP_POS" || die "PortConfig on $CAP_NAME failed"
portconfig "$PB_ID" Output "$PB_POS" || die "PortConfig on $PB_NAME failed"

REC_NAME=pw_graph_run.record PLAY_NAME=pw_graph_run.play
start record pw-record --target 0 -P "{ node.name = $REC_NAME }" --rate "$RATE" --channels "$PB_CH" \
  --channel-map "$PB_POS" --format "$FORMAT" "$OUT"; REC=$LASTPID
start play pw-play --target 0 -P "{ node.name = $PLAY_NAME }" --channel-map "$CAP_POS" "$IN"; PLAY=$LASTPID
has_node() { alive "$2" || return 2; [ -n "$(node_id "$1")" ]; }
wait_for "$TIMEOUT" has_node $REC_NAME "$REC" || die "pw-record node did not appear: $(lastlog record)"
wait_for "$TIMEOUT" has_node $PLAY_NAME "$PLAY" || die "pw-play node did not appear: $(lastlog play)"
portconfig "$(node_id $REC_NAME)" Input "$PB_POS" || die "PortConfig on recorder failed"
portconfig "$(node_id $PLAY_NAME)" Output "$CAP_POS" || die "PortConfig on player failed"
# one snapshot per poll: wait until all four nodes expose their dsp ports
ports_ready() {
  SNAP=$(nodes)
  local n c want
  for n in "$CAP_NAME:$CAP_CH" "$PB_NAME:$PB_CH" "$REC_NAME:$PB_CH" "$PLAY_NAME:$CAP_CH"; do
    want=${n##*:}
    c=$(awk -F'|' -v n="${n%:*}" '$2==n {print $7}' <<<"$SNAP" | wc -w)
    [ "$c" -ge "$want" ] || return 1
  done
}
wait_for "$TIMEOUT" ports_ready || die "ports did not appear after PortConfig (filter/player/recorder)"

# ---- links, by channel position ----
portname() { # portname NODENAME POS -> "node:port" whose port name ends in _POS
  awk -F'|' -v n="$1" '$2==n {print $7}' <<<"$SNAP" | tr ' ' '\n' | grep -m1 -E "_$2\$" | sed "s|^|$1:|"
}
link() { timeout "$TIMEOUT" pw-link "$1" "$2" >/dev/null 2>"$RT/link.err" || die "pw-link $1 -> $2 failed: $(tail -n1 "$RT/link.err")"; }
for p in ${PB_POS//,/ }; do
  a=$(portname "$PB_NAME" "$p"); b=$(portname $REC_NAME "$p")
  [ -n "$a" ] && [ -n "$b" ] || die "no port for position $p on $PB_NAME/recorder"
  link "$a" "$b"
done
for p in ${CAP_POS//,/ }; do
  a=$(portname $PLAY_NAME "$p"); b=$(portname "$CAP_NAME" "$p")
  [ -n "$a" ] && [ -n "$b" ] || die "no port for position $p on player/$CAP_NAME"
  link "$a" "$b"
done
log "links made; creating driver"

# ---- the driver: created last, so every node starts on the same cycle ----
pw-cli create-node spa-node-factory "{ factory.name = support.node.driver node.name = pw_graph_run.driver priority.driver = 20000 object.linger = true }" >"$RT/driver.log" 2>&1 \
  || die "could not create driver node: $(tail -n1 "$RT/driver.log")"
T0=$(date +%s%N)

# ---- wait for the player to finish, then let the tail through ----
DUR=$(( IN_FRAMES / IN_RATE + 1 ))
wait_for $(( TIMEOUT + DUR )) bash -c "! kill -0 $PLAY 2>/dev/null" || die "pw-play did not finish within $((TIMEOUT + DUR)) s (graph not running?)"
wait "$PLAY"; PRC=$?
[ "$PRC" = 0 ] || die "pw-play failed (rc $PRC): $(lastlog play)"
log "playback done after $(( ($(date +%s%N) - T0) / 1000000 )) ms"
sleep "$TAIL"
alive "$REC" || die "pw-record exited early: $(lastlog record)"
kill -INT "$REC"
wait_for "$TIMEOUT" bash -c "! kill -0 $REC 2>/dev/null" || die "pw-record did not stop"
wait "$REC"; RRC=$?
# pw-cat exits 1 after SIGINT in 0.3.65; the file is complete (header fixed on close)
[ "$RRC" -le 1 ] || [ "$RRC" = 130 ] || die "pw-record failed (rc $RRC): $(lastlog record)"
alive "$FC" || die "filter-chain client died during the run: $(lastlog filter)"
[ -s "$OUT" ] || die "no output written to $OUT"
cleanup
exit 0
