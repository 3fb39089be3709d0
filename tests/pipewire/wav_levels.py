#!/usr/bin/env python3
"""wav_levels.py FILE: one line per channel, "peak_dBFS rms_dBFS", of a 16-bit or 32-bit float
WAV (sox clips floats at 1.0 on reading, so it cannot measure what passes full scale)."""
import array, math, struct, sys

with open(sys.argv[1], 'rb') as f:
    f.read(12)
    channels, bits = 0, 0
    while True:
        head = f.read(8)
        if len(head) < 8:
            sys.exit("no data chunk")
        cid, size = head[:4], struct.unpack('<I', head[4:])[0]
        if cid == b'fmt ':
            fmt = f.read(size)
            _, channels, _, _, _, bits = struct.unpack('<HHIIHH', fmt[:16])
            f.read(size & 1)
            continue
        if cid == b'data':
            a = array.array('f' if bits == 32 else 'h')
            raw = f.read(size)
            a.frombytes(raw[:len(raw) - len(raw) % a.itemsize])
            break
        f.seek(size + (size & 1), 1)
scale = 1.0 if bits == 32 else 1.0 / 32768
db = lambda v: 20 * math.log10(v) if v > 0 else -999.0
for c in range(channels):
    ch = a[c::channels]
    peak = max(abs(v) for v in ch) * scale
    rms = math.sqrt(sum(v * v for v in ch) / max(1, len(ch))) * scale
    print("%.2f %.2f" % (db(peak), db(rms)))
