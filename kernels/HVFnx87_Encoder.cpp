// Scalar matrix encoder: double-precision arithmetic, rounded once per stored value.
#include "kernels/HVFnx87.h"
#include "kernels/MatrixEncoder.h"

void CHVFnx87::ShiftSurroundPhase(BiquadState& st, HVFrames& chunk) {
    const uint32_t n = chunk.m_dwCount;
    for (int ch = 0; ch < 2; ++ch) {
        float x1[kPhaseSections], x2[kPhaseSections], y1[kPhaseSections], y2[kPhaseSections];
        for (int k = 0; k < kPhaseSections; ++k) {
            x1[k] = st.m[k][kPhaseX1 + ch];
            x2[k] = st.m[k][kPhaseX2 + ch];
            y1[k] = st.m[k][kPhaseY1 + ch];
            y2[k] = st.m[k][kPhaseY2 + ch];
        }
        for (uint32_t i = 0; i < n; ++i) {
            float& slot = chunk[i].f[HV_SL + ch];
            float x = slot;
            for (int k = 0; k < kPhaseSections; ++k) {
                const float y = float(double(kPhaseCoef[k]) * (double(x) + y2[k]) - x2[k]);
                x2[k] = x1[k];
                x1[k] = x;
                y2[k] = y1[k];
                y1[k] = y;
                x = y;
            }
            slot = x;
        }
        for (int k = 0; k < kPhaseSections; ++k) {
            st.m[k][kPhaseX1 + ch] = x1[k];
            st.m[k][kPhaseX2 + ch] = x2[k];
            st.m[k][kPhaseY1 + ch] = y1[k];
            st.m[k][kPhaseY2 + ch] = y2[k];
        }
    }
}

void CHVFnx87::EncodeMatrix(uint32_t, HVFrames& chunk) {
    FilterSurrounds(m_s.m_coefSurrHP, m_s.m_stSurrHP, chunk);
    FilterSurrounds(m_s.m_coefSurrLP, m_s.m_stSurrLP, chunk);
    ShiftSurroundPhase(m_s.m_stPhase, chunk);
    const uint32_t n = chunk.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) {
        float* f = chunk[i].f;
        const double m = double(kEncCentre) * f[HV_C] + double(kEncLfe) * f[HV_LFE];
        const double l = ((double(kEncFar) * f[HV_SR] + double(kEncNear) * f[HV_SL]) + m) + f[HV_L];
        const double r = ((m - double(kEncFar) * f[HV_SL]) - double(kEncNear) * f[HV_SR]) + f[HV_R];
        f[HV_L] = float(l);
        f[HV_R] = float(r);
        f[HV_C] = f[HV_LFE] = f[HV_SL] = f[HV_SR] = 0.0f;
    }
}
