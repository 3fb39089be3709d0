// SSE2 filter operations: single precision, rounded after every operation.
#include <emmintrin.h>

#include "kernels/BiquadColumn.h"
#include "kernels/BiquadVector.h"
#include "kernels/HVFnSSE2.h"

// A one-float-per-frame buffer holds a single recursion, so the samples are taken one at a
// time; the arithmetic is that of one lane of the four-lane step.
void CHVFnSSE2::FilterSamples(const BiquadCoeffs& c, BiquadState& st, HVBuffer<float>& buf) {
    BiquadColumn f = BiquadColumn::Load(st, 0);
    float* p = buf.m_pData;
    const uint32_t n = buf.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) p[i] = f.StepFloat(c, p[i]);
    f.Store(st, 0);
}

// Slots 4-7 as one group. The spare lanes are fed zeros, so state columns 6 and 7 stay 0
// whatever the spare slots hold, and slots 6 and 7 are written back unchanged.
void CHVFnSSE2::FilterSurrounds(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) {
    const BiquadVecCoeffs k(c);
    const __m128 keep01 = _mm_castsi128_ps(_mm_set_epi32(0, 0, -1, -1));
    BiquadLanes s = BiquadLanes::Load(st, 4);
    const uint32_t n = chunk.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) {
        float* g = chunk[i].f + 4;
        const __m128 in = _mm_load_ps(g);
        const __m128 y = s.Step(k, _mm_and_ps(in, keep01));
        // (y0, y1, in2, in3): filtered SL, SR; spare slots as they were.
        _mm_store_ps(g, _mm_shuffle_ps(y, in, _MM_SHUFFLE(3, 2, 1, 0)));
    }
    s.Store(st, 4);
}

// Slots 0-3 are filtered together (state columns 0-3) and all four lanes go to both
// outputs; slots 4-7 of the outputs are not written.
void CHVFnSSE2::SplitBands(const BiquadCoeffs& c, BiquadState& st, const HVFrames& in, HVFrames& high,
                           HVFrames& low) {
    const uint32_t n = in.m_dwCount;
    high.Resize(n);
    low.Resize(n);
    const BiquadVecCoeffs k(c);
    BiquadLanes s = BiquadLanes::Load(st, 0);
    for (uint32_t i = 0; i < n; ++i) {
        const __m128 x = _mm_load_ps(in[i].f);
        const __m128 y = s.Step(k, x);
        _mm_store_ps(high[i].f, y);
        _mm_store_ps(low[i].f, _mm_sub_ps(x, y));
    }
    s.Store(st, 0);
}
