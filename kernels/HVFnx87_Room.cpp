// Scalar room operations and the passive decoder. Each output sample is formed in double
// precision and rounded once to float when stored.
#include "kernels/BiquadColumn.h"
#include "kernels/DelayLines.h"
#include "kernels/HVFnx87.h"
#include "kernels/KernelConstants.h"

namespace {
constexpr double kFront = kPassiveFront;  // 0.70700002
constexpr double kRedirect = kRedirectGain;
}  // namespace

// L = 0.707 l, R = 0.707 r, C = (l + r) / 2, SL = SR = (l - r) / 2. The zero terms are kept:
// an infinite sample on one side makes the other front output NaN. LFE and the spare slots
// are left as they are.
void CHVFnx87::DecodePassive(HVFrames& chunk) {
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        const double l = f[HV_L], r = f[HV_R];
        f[HV_L] = float(kFront * l + 0.0 * r);
        f[HV_R] = float(0.0 * l + kFront * r);
        f[HV_C] = float(0.5 * l + 0.5 * r);
        const float s = float(0.5 * l - 0.5 * r);
        f[HV_SL] = s;
        f[HV_SR] = s;
    }
}

// High-passes L, R and C and adds what was taken out (x - y, the band below the cut-off)
// to LFE at 0.316, rounding the LFE after each channel. SL and SR keep their bass.
void CHVFnx87::RedirectBass(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) {
    BiquadColumn col[3] = {BiquadColumn::Load(st, HV_L), BiquadColumn::Load(st, HV_R), BiquadColumn::Load(st, HV_C)};
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        for (int ch = HV_L; ch <= HV_C; ++ch) {
            const float x = f[ch];
            const float y = col[ch].Step(c, x);
            f[ch] = y;
            f[HV_LFE] = float(double(f[HV_LFE]) + kRedirect * (double(x) - double(y)));
        }
    }
    for (int ch = HV_L; ch <= HV_C; ++ch) col[ch].Store(st, ch);
}

void CHVFnx87::DelayChannels(HVFrames& chunk, uint32_t flag) { DelayChannelsShared(m_s, chunk, flag); }

// HV_FLAG_HEADPHONES (headphones): master gain on L and R, C to SR cleared.
// HV_FLAG_ROOM (room): trim[k] x master x sample for slots 0-5, one rounding. Spares untouched.
void CHVFnx87::ApplyGains(HVFrames& chunk, uint32_t flag) {
    const double master = m_s.m_fMasterGain;
    if (flag == HV_FLAG_HEADPHONES) {
        for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
            float* f = chunk[i].f;
            f[HV_L] = float(master * f[HV_L]);
            f[HV_R] = float(master * f[HV_R]);
            f[HV_C] = f[HV_LFE] = f[HV_SL] = f[HV_SR] = 0.0f;
        }
        return;
    }
    double g[6];
    for (int k = 0; k < 6; ++k) g[k] = double(m_s.m_fTrim[k]) * master;  // exact: 24 x 24 bits
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        for (int k = 0; k < 6; ++k) f[k] = float(g[k] * f[k]);
    }
}
