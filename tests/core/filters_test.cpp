// The three filter operations in both kernel sets: frequency response against the
// analytic transfer function and the complementary band split. (Design numbers: see
// filter_design_test; chunk-size independence and scalar vs SSE2 agreement of these
// operations: the decoder, encoder and pipeline tests, which run all three.)
#include "TestUtil.h"

namespace {

constexpr double kResponseTolerance = 1.5e-3;  // measured sine amplitude vs |H(e^jw)|

// Runs FilterSamples over the L slot of `in` in chunks; the result goes back into slot L.
FrameVec Smooth(int s, const BiquadCoeffs& c, const FrameVec& in, uint32_t chunk) {
    BiquadState st{};
    HVBuffer<float> buf;
    return RunChunked(in, chunk, [&](HVFrames& f) {
        buf.Resize(f.m_dwCount);
        for (uint32_t i = 0; i < f.m_dwCount; ++i) buf[i] = f[i].f[HV_L];
        Set(s).FilterSamples(c, st, buf);
        for (uint32_t i = 0; i < f.m_dwCount; ++i) f[i].f[HV_L] = buf[i];
    });
}

FrameVec Surrounds(int s, const BiquadCoeffs& c, const FrameVec& in, uint32_t chunk) {
    BiquadState st{};
    return RunChunked(in, chunk, [&](HVFrames& f) { Set(s).FilterSurrounds(c, st, f); });
}

}  // namespace

TEST_F(KernelTest, FilterSamplesFollowsTheTransferFunction) {
    const std::pair<const BiquadCoeffs*, double> cases[] = {
        {&St().m_coefSplit, 1200.0},  {&St().m_coefSplit, 300.0},    {&St().m_coefSplit, 9000.0},
        {&St().m_coefSurrLP, 7000.0}, {&St().m_coefSurrLP, 15000.0}, {&St().m_coefSurrHP, 100.0}};
    for (int s = 0; s < 2; ++s)
        for (const auto& [c, hz] : cases) {
            // Settled part only; 4410 samples hold a whole number of periods of every tone.
            const double amp = std::abs(Phasor(Smooth(s, *c, ToneIn(20000, HV_L, hz), 0), HV_L, 15000, 4410, hz));
            EXPECT_NEAR(amp, std::abs(BiquadResponse(*c, hz)), kResponseTolerance)
                << SetName(s) << " " << hz << " Hz";
            if (c == &St().m_coefSplit && hz == 1200.0) {  // -3 dB at the corner
                EXPECT_NEAR(amp, std::sqrt(0.5), kResponseTolerance);
            }
        }
}

TEST_F(KernelTest, SplitBandsIsComplementaryAndSurroundsAreFilteredAlone) {
    const FrameVec in = MusicLikeSix(3001);
    for (int s = 0; s < 2; ++s) {
        TestLib().Reset();
        HVFrames src, high, low;
        Load(src, in);
        Set(s).SplitBands(St().m_coefSplit, St().m_stSplit, src, high, low);
        ASSERT_TRUE(high.m_dwCount == src.m_dwCount && low.m_dwCount == src.m_dwCount);
        for (uint32_t i = 0; i < src.m_dwCount; ++i)
            for (int c : {HV_L, HV_R})  // low = x - high rounded once: the sum is x to half a unit of low
                ASSERT_NEAR(double(high[i].f[c]) + low[i].f[c], src[i].f[c],
                            6e-8 * std::fabs(low[i].f[c]) + 1e-30)
                    << SetName(s) << i;
        // A constant input ends up entirely in the low band.
        src.Resize(8000);
        for (uint32_t i = 0; i < 8000; ++i) src[i] = HVCHUNK_INTCHUNK{{0.5f, -0.25f}};
        Set(s).SplitBands(St().m_coefSplit, St().m_stSplit, src, high, low);
        EXPECT_NEAR(high[7999].f[HV_L], 0.0f, 1e-6);
        EXPECT_NEAR(low[7999].f[HV_R], -0.25f, 1e-6);

        // FilterSurrounds leaves every other slot alone and filters SL on its own.
        const FrameVec out = Surrounds(s, St().m_coefSurrLP, in, 0);
        FrameVec sl = in;
        for (auto& f : sl) f.f[HV_L] = f.f[HV_SL];
        const FrameVec ref = Smooth(s, St().m_coefSurrLP, sl, 0);
        for (size_t i = 0; i < in.size(); ++i) {
            for (int c : {0, 1, 2, 3, 6, 7})
                ASSERT_EQ(out[i].f[c], in[i].f[c]) << SetName(s) << " slot " << c;
            ASSERT_EQ(out[i].f[HV_SL], ref[i].f[HV_L]) << SetName(s) << i;
        }
    }
}
