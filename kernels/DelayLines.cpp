#include "kernels/DelayLines.h"

#include <algorithm>
#include <utility>

#include "kernels/HVFn.h"

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

// Runs one channel of the chunk through its line. Each sample is exchanged with the oldest
// stored one; the loop is split at the ring's wrap point so the inner loop has no branch.
void RunLine(HVBuffer<float>& line, HVFrames& chunk, int slot) {
    const uint32_t n = line.m_dwCount;
    if (n == 0) return;
    float* ring = line.m_pData;
    uint32_t pos = line.m_dwPos;
    HVCHUNK_INTCHUNK* frame = chunk.m_pData;
    uint32_t left = chunk.m_dwCount;
    while (left) {
        const uint32_t run = std::min(left, n - pos);
        for (uint32_t j = 0; j < run; ++j) std::swap(frame[j].f[slot], ring[pos + j]);
        frame += run;
        left -= run;
        pos += run;
        if (pos == n) pos = 0;
    }
    line.m_dwPos = pos;
}

}  // namespace

void DelayChannelsShared(HVFrames& chunk, uint32_t flag) {
    const HVLIB_CONFIG& cfg = *CHVFn::m_pConfig;
    HVBuffer<float>* lines = CHVFn::m_delay;
    if (flag != 0) {
        const uint32_t* lengths = cfg.dwSurroundMode == 1 ? CHVFn::m_dwDelayMusic : CHVFn::m_dwDelayMovie;
        for (int k = 0; k < 6; ++k) SetLineLength(lines[k], lengths[k]);
    } else {
        for (int k = 0; k < 4; ++k) SwitchLineOff(lines[k]);
        bool on = false;
        uint32_t length = 0;
        if (cfg.dwHeadphonesMode == 0 && cfg.bHeadphonesDecodeMusic) {
            on = true;
            length = CHVFn::m_dwSurrDelayMusic;
        } else if (cfg.dwHeadphonesMode != 0 && cfg.bHeadphonesDecodeMovie) {
            on = true;
            length = CHVFn::m_dwSurrDelayMovie;
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
