// Scalar steered decoder: double-precision arithmetic, the C library's log and exp.
#include <algorithm>
#include <cmath>

#include "kernels/HVFnx87.h"
#include "kernels/SteeringMatrix.h"

namespace {

// ln of the leaky ratio (a + k b) / (b + k a), rounded to float; 0 when a = b = 0.
float LeakyLogRatio(float a, float b) {
    if (!(a > 0.0f || b > 0.0f)) return 0.0f;
    const double k = kSteerLeak;
    const float ratio = float((a + k * b) / (b + k * a));
    return float(std::log(double(ratio)));
}

// exp(v) with v rounded to float first and the result rounded to float.
float GainOf(double v) { return float(std::exp(double(float(v)))); }

// One band's contribution to L, R, C, SL, SR (double, not yet rounded).
void BandContribution(float l, float r, float x, float y, double out[5]) {
    const double s = kSteerSlope;
    const double g[4] = {GainOf(-s * std::max(x, 0.0f)), GainOf(s * std::min(x, 0.0f)),
                         GainOf(-s * std::max(y, 0.0f)), GainOf(s * std::min(y, 0.0f))};
    double coef[kSteerRows];
    for (int k = 0; k < kSteerRows; ++k) {
        const float* row = kSteerMatrix[k];
        coef[k] = (((double(row[0]) + double(row[1]) * g[0]) + double(row[2]) * g[1]) + double(row[3]) * g[2]) +
                  double(row[4]) * g[3];
    }
    for (int o = 0; o < 5; ++o) out[o] = coef[2 * o] * l + coef[2 * o + 1] * r;
}

}  // namespace

void CHVFnx87::DetectSteering(BiquadState& stX, BiquadState& stY, const HVFrames& in, HVBuffer<float>& outX,
                              HVBuffer<float>& outY) {
    const uint32_t n = in.m_dwCount;
    outX.Resize(n);
    outY.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        const float l = in[i].f[HV_L];
        const float r = in[i].f[HV_R];
        const float s = std::fabs(float(double(l) + r));
        const float d = std::fabs(float(double(l) - r));
        outX[i] = LeakyLogRatio(std::fabs(l), std::fabs(r));
        outY[i] = LeakyLogRatio(s, d);
    }
    FilterSamples(m_s.m_coefSteer, stX, outX);
    FilterSamples(m_s.m_coefSteer, stY, outY);
}

void CHVFnx87::DecodeActive(HVFrames& chunk) {
    SplitBands(m_s.m_coefSplit, m_s.m_stSplit, chunk, m_s.m_bufHigh, m_s.m_bufLow);
    DetectSteering(m_s.m_stSteerX[0], m_s.m_stSteerY[0], m_s.m_bufHigh, m_s.m_bufSteerX[0], m_s.m_bufSteerY[0]);
    DetectSteering(m_s.m_stSteerX[1], m_s.m_stSteerY[1], m_s.m_bufLow, m_s.m_bufSteerX[1], m_s.m_bufSteerY[1]);

    const bool music = m_s.m_pConfig->dwSurroundMode == 1;
    const double spill = m_s.m_fCentreSpill;
    const double weight = m_s.m_fCentreWeight;
    const uint32_t n = chunk.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) {
        double hi[5], lo[5];
        BandContribution(m_s.m_bufHigh[i].f[HV_L], m_s.m_bufHigh[i].f[HV_R], m_s.m_bufSteerX[0][i], m_s.m_bufSteerY[0][i], hi);
        BandContribution(m_s.m_bufLow[i].f[HV_L], m_s.m_bufLow[i].f[HV_R], m_s.m_bufSteerX[1][i], m_s.m_bufSteerY[1][i], lo);
        float out[5];
        for (int o = 0; o < 5; ++o) out[o] = float(double(float(hi[o])) + lo[o]);
        if (music) {
            // Spread part of the centre into the fronts: W stays in C, (1 - W) / 2 to each side.
            const double c = out[2];
            out[0] = float(out[0] + spill * c);
            out[1] = float(out[1] + spill * c);
            out[2] = float(weight * c);
        }
        float* f = chunk[i].f;
        for (int o = 0; o < 5; ++o) f[kSteerOutSlots[o]] = out[o];
    }
    if (m_s.m_pConfig->bMusicSurroundShelf) FilterSurrounds(m_s.m_coefSurrLP, m_s.m_stShelf, chunk);
}
