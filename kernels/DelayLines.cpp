#include "kernels/DelayLines.h"

#include <algorithm>
#include <utility>

#include "kernels/HVFn.h"
#include "kernels/HVKernelState.h"

namespace {

// Gives a line the wanted length; a changed length restarts it from silence.
void SetLineLength(HVBuffer<float>& line, uint32_t length) {
    if (line.m_dwCount != length) line.Resize(length, true);  // count, cursor 0, zeros
}

// Switches a line off without releasing its storage.
void SwitchLineOff(HVBuffer<float>& line) {
    line.m_dwCount = 0;
    line.m_dwPos = 0;
}

// Exchanges `count` samples of one frame slot with a stretch of a ring that does not wrap.
// Four samples at a time: the ring side is then one contiguous group of four loads and
// four stores, which the compiler merges into vector moves.
void SwapRun(HVCHUNK_INTCHUNK* __restrict frame, float* __restrict ring, uint32_t count, int slot) {
    uint32_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const float o0 = ring[j], o1 = ring[j + 1], o2 = ring[j + 2], o3 = ring[j + 3];
        ring[j] = frame[j].f[slot];
        ring[j + 1] = frame[j + 1].f[slot];
        ring[j + 2] = frame[j + 2].f[slot];
        ring[j + 3] = frame[j + 3].f[slot];
        frame[j].f[slot] = o0;
        frame[j + 1].f[slot] = o1;
        frame[j + 2].f[slot] = o2;
        frame[j + 3].f[slot] = o3;
    }
    for (; j < count; ++j) std::swap(frame[j].f[slot], ring[j]);
}

// Runs one channel of the chunk through its line: each sample is exchanged with the oldest
// stored one. The chunk is cut at the ring's wrap point so the inner loop has no branch.
void RunLine(HVBuffer<float>& line, HVFrames& chunk, int slot) {
    const uint32_t n = line.m_dwCount;
    if (n == 0) return;
    uint32_t pos = line.m_dwPos;
    HVCHUNK_INTCHUNK* frame = chunk.m_pData;
    uint32_t left = chunk.m_dwCount;
    while (left) {
        const uint32_t run = std::min(left, n - pos);
        SwapRun(frame, line.m_pData + pos, run, slot);
        frame += run;
        left -= run;
        pos += run;
        if (pos == n) pos = 0;
    }
    line.m_dwPos = pos;
}

}  // namespace

void DelayChannelsShared(HVKernelState& s, HVFrames& chunk, uint32_t flag) {
    const HVLIB_CONFIG& cfg = *s.m_pConfig;
    HVBuffer<float>* lines = s.m_delay;
    if (flag != HV_FLAG_HEADPHONES) {
        const uint32_t* lengths = cfg.dwSurroundMode == 1 ? s.m_dwDelayMusic : s.m_dwDelayMovie;
        for (int k = 0; k < 6; ++k) SetLineLength(lines[k], lengths[k]);
    } else {
        for (int k = 0; k < 4; ++k) SwitchLineOff(lines[k]);
        bool on = false;
        uint32_t length = 0;
        if (cfg.dwHeadphonesMode == 0 && cfg.bHeadphonesDecodeMusic) {
            on = true;
            length = s.m_dwSurrDelayMusic;
        } else if (cfg.dwHeadphonesMode != 0 && cfg.bHeadphonesDecodeMovie) {
            on = true;
            length = s.m_dwSurrDelayMovie;
        }
        for (int k = 4; k < 6; ++k) {
            if (on)
                SetLineLength(lines[k], length);
            else
                SwitchLineOff(lines[k]);
        }
    }
    // Channels are independent, so running them one after another equals the per-frame order.
    for (int k = 0; k < 6; ++k) RunLine(lines[k], chunk, k);
}
