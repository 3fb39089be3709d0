// Direct-form-I biquad steps for the SSE2 kernel set, single precision.
//
//   y = ((b1*x[n-1] + b0*x[n]) + b0*x[n-2]) - a1*y[n-1] - a2*y[n-2]
//
// evaluated left to right with every product and sum rounded to float (no fused
// multiply-add), four BiquadState columns at a time. The memories are loaded into
// registers once per call (BiquadLanes) and stored back at the end: the recursion then runs
// on locals and the compiler keeps them out of memory inside the sample loop.
#pragma once

#include <emmintrin.h>

#include "kernels/Biquad.h"

// The four coefficients broadcast over the lanes.
struct BiquadVecCoeffs {
    __m128 b0, b1, a1, a2;
    explicit BiquadVecCoeffs(const BiquadCoeffs& c)
        : b0(_mm_set1_ps(c.b0)), b1(_mm_set1_ps(c.b1)), a1(_mm_set1_ps(c.a1)), a2(_mm_set1_ps(c.a2)) {}
};

// Memories of four adjacent columns (first = 0 for slots 0-3, 4 for slots 4-7).
struct BiquadLanes {
    __m128 x1, x2, y1, y2;

    static BiquadLanes Load(const BiquadState& s, int first) {
        return {_mm_load_ps(&s.m[0][first]), _mm_load_ps(&s.m[1][first]), _mm_load_ps(&s.m[2][first]),
                _mm_load_ps(&s.m[3][first])};
    }
    void Store(BiquadState& s, int first) const {
        _mm_store_ps(&s.m[0][first], x1);
        _mm_store_ps(&s.m[1][first], x2);
        _mm_store_ps(&s.m[2][first], y1);
        _mm_store_ps(&s.m[3][first], y2);
    }

    // One sample per lane; returns y and shifts the memories.
    __m128 Step(const BiquadVecCoeffs& c, __m128 x) {
        __m128 y = _mm_add_ps(_mm_mul_ps(c.b1, x1), _mm_mul_ps(c.b0, x));
        y = _mm_add_ps(y, _mm_mul_ps(c.b0, x2));
        y = _mm_sub_ps(y, _mm_mul_ps(c.a1, y1));
        y = _mm_sub_ps(y, _mm_mul_ps(c.a2, y2));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};
