// Four-lane natural logarithm and exponential for the SSE2 kernel set.
//
// Both are rational approximations in single precision that use the processor's
// approximate reciprocal (_mm_rcp_ps, relative error at most 1.5 * 2^-12), so they are
// neither correctly rounded nor bit-identical to the C library: VectorLog is good to a few
// 1e-6 absolute, VectorExp to a few 1e-6 relative, over the ranges the steered decoder uses.
// Every step rounds to single precision; the order of operations is part of the contract.
#pragma once

#include <emmintrin.h>

// Natural logarithm of each lane.
//   v <= 2^-126, zero, negative and NaN lanes are all taken as 2^-126 (result -87.336548);
//   +inf gives 128 * ln 2 = 88.72 (the largest exponent with mantissa 1).
// ln v = e ln 2 + ln m with 1 <= m < 2; ln m = 2 atanh((m - 1) / (m + 1)) evaluated as
// z + z^3 P(z^2) / Q(z^2) with z = 2 (m - 1) / (m + 1).
inline __m128 VectorLog(__m128 v) {
    const __m128 one = _mm_set1_ps(1.0f);
    v = _mm_max_ps(v, _mm_set1_ps(1.17549435e-38f));  // max(NaN, a) gives a: NaN lanes too

    const __m128i bits = _mm_castps_si128(v);
    const __m128i expo = _mm_sub_epi32(_mm_srli_epi32(bits, 23), _mm_set1_epi32(127));
    const __m128 e = _mm_cvtepi32_ps(expo);
    const __m128 m = _mm_castsi128_ps(
        _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x007FFFFF)), _mm_set1_epi32(0x3F800000)));

    __m128 z = _mm_mul_ps(_mm_sub_ps(m, one), _mm_rcp_ps(_mm_add_ps(m, one)));
    z = _mm_add_ps(z, z);
    const __m128 w = _mm_mul_ps(z, z);

    __m128 p = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(-0.7895803f), w), _mm_set1_ps(16.386665f));
    p = _mm_sub_ps(_mm_mul_ps(p, w), _mm_set1_ps(64.140999f));
    __m128 q = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(-35.672279f), w), _mm_set1_ps(312.09378f));
    q = _mm_sub_ps(_mm_mul_ps(q, w), _mm_set1_ps(769.69196f));

    __m128 r = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(z, w), p), _mm_rcp_ps(q));
    r = _mm_add_ps(r, z);
    return _mm_add_ps(r, _mm_mul_ps(e, _mm_set1_ps(0.69314718f)));
}

// e^v for each lane, v clamped to [-88.376259, 88.376259] (NaN lanes take the lower bound).
// v = n ln 2 + r with n = round(v / ln 2) (ln 2 split in two parts so n ln 2 stays exact);
// e^r = 1 + 2 p / (q - p), p = r (1 + w P(w)), q = Q(w), w = r^2; then scaled by 2^n.
inline __m128 VectorExp(__m128 v) {
    const __m128 one = _mm_set1_ps(1.0f);
    v = _mm_min_ps(_mm_max_ps(v, _mm_set1_ps(-88.376259f)), _mm_set1_ps(88.376259f));

    const __m128 t = _mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(1.442695f)), _mm_set1_ps(0.5f));
    __m128i n = _mm_cvttps_epi32(t);
    // Truncation rounds toward zero; step down where t <= 0 (the mask is all ones = -1).
    n = _mm_add_epi32(n, _mm_castps_si128(_mm_cmple_ps(t, _mm_setzero_ps())));
    const __m128 nf = _mm_cvtepi32_ps(n);

    __m128 r = _mm_sub_ps(v, _mm_mul_ps(nf, _mm_set1_ps(1.4286068e-6f)));
    r = _mm_sub_ps(r, _mm_mul_ps(nf, _mm_set1_ps(0.69314575f)));

    const __m128 w = _mm_mul_ps(r, r);
    __m128 p = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(1.2617720e-4f), w), _mm_set1_ps(0.030299440f));
    p = _mm_mul_ps(r, _mm_add_ps(one, _mm_mul_ps(w, p)));
    __m128 q = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(3.0019851e-6f), w), _mm_set1_ps(0.0025244835f));
    q = _mm_add_ps(_mm_mul_ps(q, w), _mm_set1_ps(0.22726555f));
    q = _mm_add_ps(_mm_mul_ps(q, w), _mm_set1_ps(2.0f));

    const __m128 two_p = _mm_add_ps(p, p);
    const __m128 er = _mm_add_ps(one, _mm_mul_ps(two_p, _mm_rcp_ps(_mm_sub_ps(q, p))));
    const __m128 scale = _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(n, _mm_set1_epi32(127)), 23));
    return _mm_mul_ps(er, scale);
}
