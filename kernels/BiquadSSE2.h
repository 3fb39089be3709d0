// Four-lane Butterworth step for the SSE2 kernel set.
//
//   y[n] = ((b1*x[n-1] + b0*x[n]) + b0*x[n-2]) - a1*y[n-1] - a2*y[n-2]
//
// Same difference equation and summation order as BiquadStepScalar (kernels/Biquad.h), but
// every product and sum is rounded to single precision. One step filters four columns of a
// BiquadState at once: columns 0-3 (L R C LFE) or 4-7 (SL SR and the spares), which are the
// two aligned halves of a frame. The memories live in registers while a chunk runs:
// load them with BiquadLoadSSE2, step, and store them back with BiquadStoreSSE2.
#pragma once

#include <emmintrin.h>

#include "kernels/Biquad.h"

struct BiquadCoeffsSSE2 {
    __m128 b0, b1, a1, a2;  // each coefficient broadcast to the four lanes

    explicit BiquadCoeffsSSE2(const BiquadCoeffs& c)
        : b0(_mm_set1_ps(c.b0)), b1(_mm_set1_ps(c.b1)), a1(_mm_set1_ps(c.a1)), a2(_mm_set1_ps(c.a2)) {}
};

// Filter memory of four adjacent columns: rows 0-3 of a BiquadState.
struct BiquadLanesSSE2 {
    __m128 x1, x2, y1, y2;
};

// firstCol is 0 or 4 (BiquadState is 16-byte aligned, so both halves are aligned).
inline BiquadLanesSSE2 BiquadLoadSSE2(const BiquadState& s, int firstCol) {
    return {_mm_load_ps(&s.m[0][firstCol]), _mm_load_ps(&s.m[1][firstCol]), _mm_load_ps(&s.m[2][firstCol]),
            _mm_load_ps(&s.m[3][firstCol])};
}

inline void BiquadStoreSSE2(BiquadState& s, int firstCol, const BiquadLanesSSE2& l) {
    _mm_store_ps(&s.m[0][firstCol], l.x1);
    _mm_store_ps(&s.m[1][firstCol], l.x2);
    _mm_store_ps(&s.m[2][firstCol], l.y1);
    _mm_store_ps(&s.m[3][firstCol], l.y2);
}

// One sample of four columns; returns y and shifts the memories.
inline __m128 BiquadStepSSE2(const BiquadCoeffsSSE2& c, BiquadLanesSSE2& l, __m128 x) {
    __m128 y = _mm_add_ps(_mm_mul_ps(c.b1, l.x1), _mm_mul_ps(c.b0, x));
    y = _mm_add_ps(y, _mm_mul_ps(c.b0, l.x2));
    y = _mm_sub_ps(y, _mm_mul_ps(c.a1, l.y1));
    y = _mm_sub_ps(y, _mm_mul_ps(c.a2, l.y2));
    l.x2 = l.x1;
    l.x1 = x;
    l.y2 = l.y1;
    l.y1 = y;
    return y;
}
