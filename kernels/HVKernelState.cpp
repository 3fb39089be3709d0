// Derived constants of a stream and the clearing of its history.
#include "kernels/HVKernelState.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace {
// Milliseconds (32-bit unsigned) to samples: ms * fs / 1000 truncated, low 32 bits.
uint32_t MsToSamples(uint32_t ms, double perMs) {
    return uint32_t(uint64_t(double(ms) * perMs));
}

// dB (whole, signed) to a linear factor: 10^(d/20) with the exponent rounded to float first.
float DbToGain(int32_t db) {
    float e = float(db / 20.0);
    return float(std::pow(10.0, double(e)));
}
}  // namespace

void HVKernelState::CalcStaticConstants(uint32_t fs) {
    if (fs == 0) return;
    const HVLIB_CONFIG& cfg = *m_pConfig;
    // The status display reads the rate from the UI thread: store it as one atomic word.
    std::atomic_ref<uint32_t>(m_dwSRate).store(fs, std::memory_order_relaxed);

    m_coefSplit = DesignButterworth(1200.0f, true, fs);
    m_coefSteer = DesignButterworth(7.95f, false, fs);
    m_coefBass = DesignButterworth(float(cfg.dwLFECutoff), true, fs);
    m_coefSurrHP = DesignButterworth(100.0f, true, fs);
    m_coefSurrLP = DesignButterworth(7000.0f, false, fs);

    const double perMs = double(fs) / 1000.0;
    const uint32_t front[4] = {cfg.dwDelayL, cfg.dwDelayR, cfg.dwDelayC, cfg.dwDelaySub};
    for (int k = 0; k < 4; ++k) m_dwDelayMusic[k] = m_dwDelayMovie[k] = MsToSamples(front[k], perMs);
    m_dwDelayMusic[4] = MsToSamples(cfg.dwSurroundDelayMusic + cfg.dwDelaySL, perMs);
    m_dwDelayMusic[5] = MsToSamples(cfg.dwSurroundDelayMusic + cfg.dwDelaySR, perMs);
    m_dwDelayMovie[4] = MsToSamples(cfg.dwDelaySL + cfg.dwSurroundDelayMovie, perMs);
    m_dwDelayMovie[5] = MsToSamples(cfg.dwDelaySR + cfg.dwSurroundDelayMovie, perMs);
    m_dwSurrDelayMusic = MsToSamples(cfg.dwSurroundDelayMusic, perMs);
    m_dwSurrDelayMovie = MsToSamples(cfg.dwSurroundDelayMovie, perMs);

    const int32_t trims[6] = {cfg.nTrimL, cfg.nTrimR, cfg.nTrimC, cfg.nTrimSub, cfg.nTrimSL, cfg.nTrimSR};
    for (int k = 0; k < 6; ++k) m_fTrim[k] = DbToGain(trims[k]);
    m_fTrim[3] = m_fTrim[3] * (cfg.bLFEInvert ? -1.0f : 1.0f);
    m_fMasterGain = DbToGain(cfg.nMasterGain);

    const float v = float(double(cfg.dwCentreWeight) / 100.0 * double(0.9f) + double(0.1f));
    const float lg = float(std::log10(double(v)));
    const float w = float(1.0 + double(lg));
    m_fCentreWeight = w;
    m_fCentreSpill = float((1.0 - double(w)) * 0.5);
}

void HVKernelState::ClearHistory() {
    for (int b = 0; b < 2; ++b) m_stSteerX[b] = m_stSteerY[b] = BiquadState{};
    m_stSplit = m_stShelf = m_stSurrHP = m_stSurrLP = m_stPhase = m_stBass = BiquadState{};
    for (auto& line : m_delay) {
        // Same length, silent content: the line behaves as one restarted from scratch.
        if (line.m_pData) std::memset(line.m_pData, 0, size_t(line.m_dwCapacity) * sizeof(float));
        line.m_dwPos = 0;
    }
}

void HVKernelState::FreeHistory() {
    ClearHistory();
    m_bufHigh.Free();
    m_bufLow.Free();
    for (int b = 0; b < 2; ++b) {
        m_bufSteerX[b].Free();
        m_bufSteerY[b].Free();
    }
    for (auto& line : m_delay) line.Free();
}
