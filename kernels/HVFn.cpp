// Shared state of both kernel sets, the Butterworth design and the derived constants.
#include "kernels/HVFn.h"

#include <atomic>
#include <cmath>

const HVLIB_CONFIG* CHVFn::m_pConfig = nullptr;
uint32_t CHVFn::m_dwSRate = 0;
BiquadCoeffs CHVFn::m_coefSplit{};
BiquadCoeffs CHVFn::m_coefSteer{};
BiquadCoeffs CHVFn::m_coefBass{};
BiquadCoeffs CHVFn::m_coefSurrHP{};
BiquadCoeffs CHVFn::m_coefSurrLP{};
uint32_t CHVFn::m_dwDelayMusic[6]{};
uint32_t CHVFn::m_dwDelayMovie[6]{};
uint32_t CHVFn::m_dwSurrDelayMusic = 0;
uint32_t CHVFn::m_dwSurrDelayMovie = 0;
float CHVFn::m_fTrim[6]{};
float CHVFn::m_fMasterGain = 0.0f;
float CHVFn::m_fCentreWeight = 0.0f;
float CHVFn::m_fCentreSpill = 0.0f;
BiquadState CHVFn::m_stSplit{};
BiquadState CHVFn::m_stSteerX[2]{};
BiquadState CHVFn::m_stSteerY[2]{};
HVFrames CHVFn::m_bufHigh;
HVFrames CHVFn::m_bufLow;
HVBuffer<float> CHVFn::m_bufSteerX[2];
HVBuffer<float> CHVFn::m_bufSteerY[2];
BiquadState CHVFn::m_stShelf{};
BiquadState CHVFn::m_stSurrHP{};
BiquadState CHVFn::m_stSurrLP{};
BiquadState CHVFn::m_stPhase{};
BiquadState CHVFn::m_stBass{};
HVBuffer<float> CHVFn::m_delay[6];

CHVFn::~CHVFn() = default;

namespace {
// Single-precision constants used in double arithmetic, as the design expects.
constexpr double kPi = double(3.1415927f);
constexpr double kSqrt2 = double(1.4142135f);

// Milliseconds (32-bit unsigned) to samples: ms * fs / 1000 truncated, low 32 bits.
uint32_t MsToSamples(uint32_t ms, double perMs) { return uint32_t(uint64_t(double(ms) * perMs)); }

// dB (whole, signed) to a linear factor: 10^(d/20) with the exponent rounded to float first.
float DbToGain(int32_t db) {
    float e = float(db / 20.0);
    return float(std::pow(10.0, double(e)));
}
}  // namespace

BiquadCoeffs DesignButterworth(float freq, bool highPass, uint32_t fs) {
    const double rate = double(fs);
    if (double(freq) >= rate * 0.5) freq = float(rate * 0.45);
    const float t = float(double(freq) * kPi / rate);
    BiquadCoeffs c{};
    if (highPass) {
        c.K = float(std::tan(double(t)));
    } else {
        const float tn = float(std::tan(double(t)));
        c.K = float(1.0 / double(tn));
    }
    const double K = c.K;
    const float norm = float(1.0 / (kSqrt2 * K + 1.0 + K * K));
    const double n = norm;
    c.b0 = norm;
    if (highPass) {
        c.b1 = float(-2.0 * n);
        c.a1 = float(2.0 * (K * K - 1.0) * n);
    } else {
        c.b1 = float(2.0 * n);
        c.a1 = float(2.0 * (1.0 - K * K) * n);
    }
    c.a2 = float((K * K - kSqrt2 * K + 1.0) * n);
    return c;
}

void CHVFn::CalcStaticConstants(uint32_t fs) {
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
