// SSE2 matrix encoder: single precision, rounded after every operation.
#include <emmintrin.h>

#include "kernels/HVFnSSE2.h"
#include "kernels/MatrixEncoder.h"

// SL and SR run together in the low two lanes of the slot 4-7 group; the spare lanes are
// fed zeros and slots 6 and 7 are written back as they were.
void CHVFnSSE2::ShiftSurroundPhase(BiquadState& st, HVFrames& chunk) {
    __m128 x1[kPhaseSections], x2[kPhaseSections], y1[kPhaseSections], y2[kPhaseSections], c[kPhaseSections];
    const __m128 zero = _mm_setzero_ps();
    auto pair = [&](int k, int col) { return _mm_loadl_pi(zero, reinterpret_cast<const __m64*>(&st.m[k][col])); };
    for (int k = 0; k < kPhaseSections; ++k) {
        x1[k] = pair(k, kPhaseX1);
        x2[k] = pair(k, kPhaseX2);
        y1[k] = pair(k, kPhaseY1);
        y2[k] = pair(k, kPhaseY2);
        c[k] = _mm_set1_ps(kPhaseCoef[k]);
    }
    const __m128 keep01 = _mm_castsi128_ps(_mm_set_epi32(0, 0, -1, -1));
    const uint32_t n = chunk.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) {
        float* g = chunk[i].f + 4;
        const __m128 in = _mm_load_ps(g);
        __m128 x = _mm_and_ps(in, keep01);
        for (int k = 0; k < kPhaseSections; ++k) {
            const __m128 y = _mm_sub_ps(_mm_mul_ps(c[k], _mm_add_ps(x, y2[k])), x2[k]);
            x2[k] = x1[k];
            x1[k] = x;
            y2[k] = y1[k];
            y1[k] = y;
            x = y;
        }
        _mm_store_ps(g, _mm_shuffle_ps(x, in, _MM_SHUFFLE(3, 2, 1, 0)));
    }
    for (int k = 0; k < kPhaseSections; ++k) {
        _mm_storel_pi(reinterpret_cast<__m64*>(&st.m[k][kPhaseX1]), x1[k]);
        _mm_storel_pi(reinterpret_cast<__m64*>(&st.m[k][kPhaseX2]), x2[k]);
        _mm_storel_pi(reinterpret_cast<__m64*>(&st.m[k][kPhaseY1]), y1[k]);
        _mm_storel_pi(reinterpret_cast<__m64*>(&st.m[k][kPhaseY2]), y2[k]);
    }
}

void CHVFnSSE2::EncodeMatrix(uint32_t, HVFrames& chunk) {
    FilterSurrounds(m_s.m_coefSurrHP, m_s.m_stSurrHP, chunk);
    FilterSurrounds(m_s.m_coefSurrLP, m_s.m_stSurrLP, chunk);
    ShiftSurroundPhase(m_s.m_stPhase, chunk);
    const uint32_t n = chunk.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) {
        float* f = chunk[i].f;
        const float m = kEncCentre * f[HV_C] + kEncLfe * f[HV_LFE];
        f[HV_L] = ((kEncFar * f[HV_SR] + kEncNear * f[HV_SL]) + m) + 1.0f * f[HV_L];
        f[HV_R] = ((m - kEncFar * f[HV_SL]) - kEncNear * f[HV_SR]) + 1.0f * f[HV_R];
        f[HV_C] = f[HV_LFE] = f[HV_SL] = f[HV_SR] = 0.0f;
    }
}
