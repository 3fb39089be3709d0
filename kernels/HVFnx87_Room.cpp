// Scalar room operations and the passive decoder. Each output sample is formed in double
// precision and rounded once to float when stored.
#include "kernels/DelayLines.h"
#include "kernels/HVFnx87.h"

namespace {
constexpr double kPassiveFront = double(0.707f);  // 0.70700002
constexpr double kRedirectGain = double(0.316f);  // bass into LFE, about -10 dB
}  // namespace

// L = 0.707 l, R = 0.707 r, C = (l + r) / 2, SL = SR = (l - r) / 2. The zero terms are kept:
// an infinite sample on one side makes the other front output NaN. LFE and the spare slots
// are left as they are.
void CHVFnx87::DecodePassive(HVFrames& chunk) {
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        const double l = f[HV_L], r = f[HV_R];
        f[HV_L] = float(kPassiveFront * l + 0.0 * r);
        f[HV_R] = float(0.0 * l + kPassiveFront * r);
        f[HV_C] = float(0.5 * l + 0.5 * r);
        const float s = float(0.5 * l - 0.5 * r);
        f[HV_SL] = s;
        f[HV_SR] = s;
    }
}

// High-passes L, R and C and adds what was taken out (x - y, the band below the cut-off)
// to LFE at 0.316, rounding the LFE after each channel. SL and SR keep their bass.
void CHVFnx87::RedirectBass(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) {
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        for (int ch = HV_L; ch <= HV_C; ++ch) {
            const float x = f[ch];
            const float y = BiquadStepScalar(c, st, ch, x);
            f[ch] = y;
            f[HV_LFE] = float(double(f[HV_LFE]) + kRedirectGain * (double(x) - double(y)));
        }
    }
}

void CHVFnx87::DelayChannels(HVFrames& chunk, uint32_t flag) { DelayChannelsShared(chunk, flag); }

// flag 0 (headphones): master gain on L and R, C to SR cleared.
// flag 1 (room): trim[k] x master x sample for slots 0-5, one rounding. Spares untouched.
void CHVFnx87::ApplyGains(HVFrames& chunk, uint32_t flag) {
    const double master = m_fMasterGain;
    if (flag == 0) {
        for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
            float* f = chunk[i].f;
            f[HV_L] = float(master * f[HV_L]);
            f[HV_R] = float(master * f[HV_R]);
            f[HV_C] = f[HV_LFE] = f[HV_SL] = f[HV_SR] = 0.0f;
        }
        return;
    }
    double g[6];
    for (int k = 0; k < 6; ++k) g[k] = double(m_fTrim[k]) * master;  // exact: 24 x 24 bits
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        for (int k = 0; k < 6; ++k) f[k] = float(g[k] * f[k]);
    }
}
