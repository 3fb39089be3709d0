// Butterworth design and the derived constants. Reference numbers come from the textbook
// bilinear Butterworth formulas evaluated in double precision (not from the design code).
#include <gtest/gtest.h>

#include <cmath>

#include "KernelTestUtil.h"

namespace {

// Relative tolerance for a coefficient rounded to float (a few float ulps).
constexpr double kCoeffTolerance = 1e-6;

void ExpectClose(double actual, double expected, double tol = kCoeffTolerance) {
    EXPECT_NEAR(actual, expected, tol * std::max(1.0, std::fabs(expected)));
}

// Gain of the section at z = e^{jw}: |b0 + b1 z^-1 + b0 z^-2| / |1 + a1 z^-1 + a2 z^-2|.
double Gain(const BiquadCoeffs& c, double w) {
    const double cr = std::cos(w), ci = -std::sin(w), c2r = std::cos(2 * w), c2i = -std::sin(2 * w);
    const double nr = c.b0 + c.b1 * cr + c.b0 * c2r, ni = c.b1 * ci + c.b0 * c2i;
    const double dr = 1 + c.a1 * cr + c.a2 * c2r, di = c.a1 * ci + c.a2 * c2i;
    return std::hypot(nr, ni) / std::hypot(dr, di);
}

// Both poles inside the unit circle (the stability triangle of a second-order section).
// Evaluated in double: 1 + a2 rounded to float could hide a margin of one ulp.
bool Stable(const BiquadCoeffs& c) {
    return std::fabs(double(c.a2)) < 1.0 && std::fabs(double(c.a1)) < 1.0 + double(c.a2);
}

}  // namespace

TEST(FilterDesign, HighPass1200At44100) {
    const BiquadCoeffs c = DesignButterworth(1200.0f, true, 44100);
    ExpectClose(c.K, 0.0856944);
    ExpectClose(c.b0, 0.8861056);
    EXPECT_EQ(c.b1, -2.0f * c.b0);
    ExpectClose(c.a1, -1.7591969);
    ExpectClose(c.a2, 0.7852255);
    EXPECT_EQ(c.b0 + c.b1 + c.b0, 0.0f);  // no gain at DC
    EXPECT_NEAR(Gain(c, M_PI), 1.0, 1e-5);
    EXPECT_NEAR(Gain(c, 2 * M_PI * 1200 / 44100), M_SQRT1_2, 1e-5);  // -3 dB at the corner
}

TEST(FilterDesign, SteeringLowPassAndItsUncorrectedDcGain) {
    const BiquadCoeffs c = DesignButterworth(7.95f, false, 44100);
    ExpectClose(c.K, 1765.7188, 2e-6);
    ExpectClose(c.b0, 3.20486e-7, 1e-5);
    EXPECT_EQ(c.b1, 2.0f * c.b0);
    ExpectClose(c.a1, -1.998398);
    ExpectClose(c.a2, 0.998399);
    // The last bit of a1 and a2 decides the DC gain: near 1, not exactly 1, and not corrected.
    const BiquadCoeffs c48 = DesignButterworth(7.95f, false, 48000);
    const double dc48 = (2.0 * c48.b0 + c48.b1) / (1.0 + double(c48.a1) + double(c48.a2));
    EXPECT_NEAR(dc48, 0.96, 0.01);
    EXPECT_NE(dc48, 1.0);
}

TEST(FilterDesign, CornersAtOrAboveHalfTheRateAreDesignedAt045) {
    // 7 kHz at 44.1 kHz is below fs/2 and designed as asked.
    const BiquadCoeffs ok = DesignButterworth(7000.0f, false, 44100);
    ExpectClose(ok.K, 1.8363079);
    ExpectClose(ok.a1, -0.6807407);
    ExpectClose(ok.a2, 0.2547146);
    // 7 kHz at 8 kHz would put the poles outside the unit circle; 3600 Hz (0.45 fs) instead.
    const BiquadCoeffs lo = DesignButterworth(7000.0f, false, 8000);
    ExpectClose(lo.K, 0.1583844, 2e-6);
    ExpectClose(lo.a1, 1.5610181);
    ExpectClose(lo.a2, 0.6413515);
    EXPECT_TRUE(Stable(lo));
    const BiquadCoeffs at = DesignButterworth(4000.0f, true, 8000);  // exactly fs/2
    EXPECT_TRUE(Stable(at));
}

// The filters the engine designs (the bass cut-off over its whole range), at every common rate.
TEST(FilterDesign, EveryFilterInUseIsStableAndFiniteAtCommonRates) {
    struct Use {
        float f;
        bool hp;
    };
    const Use uses[] = {{1200.0f, true}, {7.95f, false}, {20.0f, true}, {120.0f, true},
                        {200.0f, true},  {100.0f, true}, {7000.0f, false}};
    const uint32_t rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};
    for (uint32_t fs : rates)
        for (const Use& u : uses) {
            const BiquadCoeffs c = DesignButterworth(u.f, u.hp, fs);
            SCOPED_TRACE(testing::Message() << fs << " Hz, corner " << u.f << (u.hp ? " HP" : " LP"));
            EXPECT_TRUE(std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.a1) && std::isfinite(c.a2));
            EXPECT_TRUE(Stable(c));
        }
}

TEST(DerivedConstants, DelaysGainsAndCentreWeight) {
    HVLIB_CONFIG cfg;
    cfg.dwDelayL = 10;
    cfg.dwDelayC = 1;
    cfg.dwSurroundDelayMusic = 15;
    cfg.dwSurroundDelayMovie = 10;
    cfg.dwDelaySL = 2;
    cfg.nTrimSub = 0;
    cfg.bLFEInvert = 1;
    cfg.nTrimL = 12;
    cfg.nTrimC = -12;
    cfg.nMasterGain = -6;
    cfg.dwCentreWeight = 50;
    CHVFn::m_pConfig = &cfg;
    CHVFn::CalcStaticConstants(44100);
    EXPECT_EQ(CHVFn::m_dwSRate, 44100u);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[0], 441u);
    EXPECT_EQ(CHVFn::m_dwDelayMovie[0], 441u);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[2], 44u);     // 44.1 truncated
    EXPECT_EQ(CHVFn::m_dwDelayMusic[4], 749u);    // 17 ms: 749.7 truncated
    EXPECT_EQ(CHVFn::m_dwDelayMusic[5], 661u);    // 15 ms: 661.5
    EXPECT_EQ(CHVFn::m_dwDelayMovie[4], 529u);    // 12 ms: 529.2
    EXPECT_EQ(CHVFn::m_dwDelayMovie[5], 441u);    // 10 ms
    EXPECT_EQ(CHVFn::m_dwSurrDelayMusic, 661u);
    EXPECT_EQ(CHVFn::m_dwSurrDelayMovie, 441u);
    EXPECT_EQ(CHVFn::m_fTrim[3], -1.0f);  // Sub 0 dB, inverted
    EXPECT_EQ(CHVFn::m_fTrim[1], 1.0f);
    ExpectClose(CHVFn::m_fTrim[0], 3.9810717);
    ExpectClose(CHVFn::m_fTrim[2], 0.2511886);
    ExpectClose(CHVFn::m_fMasterGain, 0.5011872);
    EXPECT_NEAR(CHVFn::m_fCentreWeight, 0.7404, 5e-5);
    EXPECT_NEAR(CHVFn::m_fCentreSpill, (1 - 0.7403627) / 2, 1e-6);
    ExpectClose(CHVFn::m_coefBass.K, std::tan(M_PI * 120 / 44100), 1e-5);

    CHVFn::CalcStaticConstants(48000);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[0], 480u);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[2], 48u);

    // Full and no centre weight.
    cfg.dwCentreWeight = 100;
    CHVFn::CalcStaticConstants(48000);
    EXPECT_EQ(CHVFn::m_fCentreWeight, 1.0f);
    EXPECT_EQ(CHVFn::m_fCentreSpill, 0.0f);
    cfg.dwCentreWeight = 0;
    CHVFn::CalcStaticConstants(48000);
    EXPECT_NEAR(CHVFn::m_fCentreWeight, 0.0f, 1e-7);
    EXPECT_NEAR(CHVFn::m_fCentreSpill, 0.5f, 1e-7);

    // Rate 0 changes nothing.
    cfg.dwDelayL = 50;
    CHVFn::CalcStaticConstants(0);
    EXPECT_EQ(CHVFn::m_dwSRate, 48000u);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[0], 480u);
}

TEST(DerivedConstants, MillisecondArithmeticIs32Bit) {
    HVLIB_CONFIG cfg;
    cfg.dwSurroundDelayMusic = 4294967295u;  // + 2 ms wraps to 1 ms as a 32-bit sum
    cfg.dwDelaySL = 2;
    cfg.dwDelayR = 4294967295u;  // 189408057709 samples: the low 32 bits remain
    CHVFn::m_pConfig = &cfg;
    CHVFn::CalcStaticConstants(44100);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[4], 44u);
    EXPECT_EQ(CHVFn::m_dwDelayMusic[1], 429496685u);
}
