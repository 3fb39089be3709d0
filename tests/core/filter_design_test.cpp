// Butterworth design and the derived constants. Reference numbers come from the textbook
// bilinear Butterworth formulas evaluated in double precision (not from the design code).
#include "TestUtil.h"

namespace {

// Relative tolerance for a coefficient rounded to float (a few float ulps).
constexpr double kCoeffTolerance = 1e-6;

void ExpectClose(double actual, double expected, double tol = kCoeffTolerance) {
    EXPECT_NEAR(actual, expected, tol * std::max(1.0, std::fabs(expected)));
}

// Both poles inside the unit circle (the stability triangle of a second-order section).
// Evaluated in double: 1 + a2 rounded to float could hide a margin of one ulp.
bool Stable(const BiquadCoeffs& c) {
    return std::fabs(double(c.a2)) < 1.0 && std::fabs(double(c.a1)) < 1.0 + double(c.a2);
}

}  // namespace

TEST(FilterDesign, GoldenCoefficients) {
    struct Row {
        float hz;
        bool hp;
        uint32_t fs;
        double K, b0, a1, a2, tol;
    };
    const Row rows[] = {
        {1200.0f, true, 44100, 0.0856944, 0.8861056, -1.7591969, 0.7852255, 1e-6},
        {7.95f, false, 44100, 1765.7188, 3.20486e-7, -1.998398, 0.998399, 2e-6},
        {7000.0f, false, 44100, 1.8363079, 0.1434935, -0.6807407, 0.2547146, 1e-6},
        // 7 kHz at 8 kHz would put the poles outside the unit circle: 3600 Hz (0.45 fs) instead.
        {7000.0f, false, 8000, 0.1583844, 0.8005924, 1.5610181, 0.6413515, 2e-6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.hz << " Hz at " << r.fs);
        const BiquadCoeffs c = DesignButterworth(r.hz, r.hp, r.fs);
        ExpectClose(c.K, r.K, r.tol);
        EXPECT_NEAR(c.b0, r.b0, 1e-5 * r.b0);
        EXPECT_EQ(c.b1, (r.hp ? -2.0f : 2.0f) * c.b0);
        ExpectClose(c.a1, r.a1, r.tol);
        ExpectClose(c.a2, r.a2, r.tol);
        EXPECT_TRUE(Stable(c));
    }
    // The high-pass has no gain at DC; the last bit of a1 and a2 decides the steering
    // smoother's DC gain, which is near 1, not exactly 1, and not corrected.
    const BiquadCoeffs hp = DesignButterworth(1200.0f, true, 44100);
    EXPECT_EQ(hp.b0 + hp.b1 + hp.b0, 0.0f);
    const BiquadCoeffs c48 = DesignButterworth(7.95f, false, 48000);
    const double dc48 = (2.0 * c48.b0 + c48.b1) / (1.0 + double(c48.a1) + double(c48.a2));
    EXPECT_NEAR(dc48, 0.96, 0.01);
    EXPECT_NE(dc48, 1.0);
}

// The filters the engine designs (the bass cut-off over its whole range), at every common
// rate, and a corner exactly at half the rate.
TEST(FilterDesign, EveryFilterInUseIsStableAndFiniteAtCommonRates) {
    EXPECT_TRUE(Stable(DesignButterworth(4000.0f, true, 8000)));
    const std::pair<float, bool> uses[] = {{1200.0f, true}, {7.95f, false}, {20.0f, true},   {120.0f, true},
                                           {200.0f, true},  {100.0f, true}, {7000.0f, false}};
    for (uint32_t fs : {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000})
        for (const auto& [hz, hp] : uses) {
            const BiquadCoeffs c = DesignButterworth(hz, hp, fs);
            SCOPED_TRACE(testing::Message() << fs << " Hz, corner " << hz << (hp ? " HP" : " LP"));
            EXPECT_TRUE(std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.a1) &&
                        std::isfinite(c.a2));
            EXPECT_TRUE(Stable(c));
        }
}

TEST(DerivedConstants, DelaysGainsAndCentreWeight) {
    HVLIB_CONFIG cfg;
    cfg.dwDelayL = 10, cfg.dwDelayC = 1, cfg.dwDelaySL = 2;
    cfg.dwSurroundDelayMusic = 15, cfg.dwSurroundDelayMovie = 10;
    cfg.nTrimSub = 0, cfg.bLFEInvert = 1, cfg.nTrimL = 12, cfg.nTrimC = -12, cfg.nMasterGain = -6;
    cfg.dwCentreWeight = 50;
    TestLib().SetConfig(&cfg);
    St().CalcStaticConstants(44100);
    EXPECT_EQ(St().m_dwSRate, 44100u);
    // L 10 ms; C 44.1 truncated; SL 17 / 12 ms: 749.7 / 529.2; SR 15 / 10 ms: 661.5 / 441.
    const uint32_t music[6] = {441, 0, 44, 0, 749, 661}, movie[6] = {441, 0, 44, 0, 529, 441};
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(St().m_dwDelayMusic[k] == music[k] && St().m_dwDelayMovie[k] == movie[k]) << k;
    EXPECT_EQ(St().m_dwSurrDelayMusic, 661u);
    EXPECT_EQ(St().m_dwSurrDelayMovie, 441u);
    EXPECT_EQ(St().m_fTrim[3], -1.0f);  // Sub 0 dB, inverted
    EXPECT_EQ(St().m_fTrim[1], 1.0f);
    ExpectClose(St().m_fTrim[0], 3.9810717);
    ExpectClose(St().m_fTrim[2], 0.2511886);
    ExpectClose(St().m_fMasterGain, 0.5011872);
    EXPECT_NEAR(St().m_fCentreWeight, 0.7404, 5e-5);
    EXPECT_NEAR(St().m_fCentreSpill, (1 - 0.7403627) / 2, 1e-6);
    ExpectClose(St().m_coefBass.K, std::tan(M_PI * 120 / 44100), 1e-5);

    St().CalcStaticConstants(48000);
    EXPECT_TRUE(St().m_dwDelayMusic[0] == 480u && St().m_dwDelayMusic[2] == 48u);
    // Full and no centre weight.
    cfg.dwCentreWeight = 100;
    St().CalcStaticConstants(48000);
    EXPECT_TRUE(St().m_fCentreWeight == 1.0f && St().m_fCentreSpill == 0.0f);
    cfg.dwCentreWeight = 0;
    St().CalcStaticConstants(48000);
    EXPECT_NEAR(St().m_fCentreWeight, 0.0f, 1e-7);
    EXPECT_NEAR(St().m_fCentreSpill, 0.5f, 1e-7);
    // Rate 0 changes nothing.
    cfg.dwDelayL = 50;
    St().CalcStaticConstants(0);
    EXPECT_TRUE(St().m_dwSRate == 48000u && St().m_dwDelayMusic[0] == 480u);

    // Millisecond arithmetic is 32-bit: 2^32 - 1 + 2 ms wraps to 1 ms; 2^32 - 1 ms is
    // 189408057709 samples, of which the low 32 bits remain.
    cfg.dwSurroundDelayMusic = 4294967295u, cfg.dwDelaySL = 2, cfg.dwDelayR = 4294967295u;
    St().CalcStaticConstants(44100);
    EXPECT_EQ(St().m_dwDelayMusic[4], 44u);
    EXPECT_EQ(St().m_dwDelayMusic[1], 429496685u);
    TestLib().SetConfig(nullptr);
}
