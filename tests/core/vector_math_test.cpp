// VectorLog / VectorExp against the C library over their whole input range, and their
// special lanes. The approximate reciprocal differs between processors (it is only bounded
// to 1.5 * 2^-12 relative), so the tolerances cover that bound, not one chip's values.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <iostream>
#include <limits>

#include "kernels/VectorMath.h"

namespace {

// ln m = z + z^3 P/Q with z up to 2/3: a reciprocal off by 1.5 * 2^-12 moves z by up to
// 2.5e-4 absolute; the polynomial itself is good to a few 1e-6.
constexpr double kLogAbsTolerance = 3.0e-4;
// e^r = 1 + 2p / (q - p) with |r| <= ln2 / 2: the reciprocal error scales 2p/(q-p) ~ r,
// so at most about 0.35 * 3.7e-4 relative.
constexpr double kExpRelTolerance = 1.5e-4;

float Log1(float x) {
    return _mm_cvtss_f32(VectorLog(_mm_set1_ps(x)));
}
float Exp1(float x) {
    return _mm_cvtss_f32(VectorExp(_mm_set1_ps(x)));
}

}  // namespace

TEST(VectorMath, LogMatchesLibraryOverAllNormalFloatsAndSpecialLanes) {
    double worst = 0.0;
    float worstAt = 0.0f;
    // Every 61st bit pattern from the smallest normal to the largest finite float, four
    // lanes per call with different patterns so lanes are checked independently.
    for (uint32_t b = 0x00800000u; b < 0x7F800000u - 4 * 61; b += 4 * 61) {
        alignas(16) float in[4], out[4];
        for (uint32_t j = 0; j < 4; ++j) in[j] = std::bit_cast<float>(b + 61 * j);
        _mm_store_ps(out, VectorLog(_mm_load_ps(in)));
        for (int j = 0; j < 4; ++j) {
            const double err = std::fabs(double(out[j]) - std::log(double(in[j])));
            if (err > worst) worst = err, worstAt = in[j];
        }
    }
    std::cout << "VectorLog worst absolute error " << worst << " at " << worstAt << "\n";
    EXPECT_LT(worst, kLogAbsTolerance);

    // Zero, NaN, negative numbers and subnormals all give the floor, ln 2^-126.
    const float floor = Log1(1.17549435e-38f);
    EXPECT_NEAR(floor, -126.0 * std::log(2.0), 1e-4);
    alignas(16) float in[4] = {0.0f, std::numeric_limits<float>::quiet_NaN(), -3.0f, 1.0f}, out[4];
    _mm_store_ps(out, VectorLog(_mm_load_ps(in)));
    EXPECT_TRUE(out[0] == floor && out[1] == floor && out[2] == floor);
    EXPECT_EQ(out[3], 0.0f);  // ln 1 is exactly 0
    EXPECT_EQ(Log1(1e-45f), floor);
    EXPECT_NEAR(Log1(std::numeric_limits<float>::infinity()), 128.0 * std::log(2.0), 1e-3);
}

TEST(VectorMath, ExpMatchesLibraryWhereTheResultIsNormalAndClamps) {
    double worst = 0.0;
    float worstAt = 0.0f;
    // Results below 2^-126 are flushed to zero by the exponent construction; start above.
    for (double x = -87.3; x <= 88.376; x += 1.7e-4) {
        const float xf = float(x);
        const double ref = std::exp(double(xf)), err = std::fabs(double(Exp1(xf)) - ref) / ref;
        if (err > worst) worst = err, worstAt = xf;
    }
    std::cout << "VectorExp worst relative error " << worst << " at " << worstAt << "\n";
    EXPECT_LT(worst, kExpRelTolerance);

    EXPECT_EQ(Exp1(0.0f), 1.0f);
    const float top = Exp1(88.376259f);
    EXPECT_NEAR(top / std::exp(88.376259), 1.0, kExpRelTolerance);
    alignas(16) float in[4] = {1000.0f, -1000.0f, std::numeric_limits<float>::quiet_NaN(),
                               std::numeric_limits<float>::infinity()},
                      out[4];
    _mm_store_ps(out, VectorExp(_mm_load_ps(in)));
    EXPECT_EQ(out[0], top);   // clamped above: finite, never inf
    EXPECT_EQ(out[1], 0.0f);  // clamped below: 2^-127 has no normal exponent field
    EXPECT_EQ(out[2], 0.0f);  // NaN takes the lower bound
    EXPECT_EQ(out[3], top);
    // The decoder's gains: exp(-0.839 ln 10) = 10^-0.839.
    EXPECT_NEAR(Exp1(-0.839f * 2.3025851f), std::pow(10.0, -0.839), 0.144877 * kExpRelTolerance);
}
