// The matrix encoder in both kernel sets: fixed fold-down gains, surround band limits and
// the all-pass network measured against its transfer function, cross-set agreement and
// chunk-size independence.

#include "TestUtil.h"

namespace {

// Scalar vs SSE2 outputs on programme near 1.0: float rounding through the band filters
// and the high-Q all-pass sections (pole radius 0.995) adds up to ~1.5e-5 (measured).
constexpr double kCrossSetTolerance = 4e-5;
constexpr double kLevelTolerance = 1e-3;  // measured sine amplitude, relative
constexpr double kPhaseTolerance = 2e-3;  // radians

const double kApCoef[4] = {0.1617585, 0.73302895, 0.9453497, 0.99059916};

// The phase network as designed: four sections (c - z^-2) / (1 - c z^-2).
std::complex<double> AllPass(double hz) {
    std::complex<double> h = 1.0;
    for (double c : kApCoef) h *= (c - Z(hz, 2)) / (1.0 - c * Z(hz, 2));
    return h;
}
FrameVec Constant(uint32_t n, int slot, float value) {
    FrameVec v(n, HVCHUNK_INTCHUNK{});
    for (auto& f : v) f.f[slot] = value;
    return v;
}

FrameVec Encode(int s, const FrameVec& in, uint32_t chunk) {
    TestLib().Reset();
    return RunChunked(in, chunk, [&](HVFrames& f) { Set(s).EncodeMatrix(6, f); });
}

FrameVec ShiftPhase(int s, const FrameVec& in) {
    TestLib().Reset();
    return RunChunked(in, 0, [&](HVFrames& f) { Set(s).ShiftSurroundPhase(St().m_stPhase, f); });
}

}  // namespace

using EncoderTest = KernelTest;

// C -> L = R = 0.707 and LFE -> 2.235 from the first frame; constant surround is removed;
// slots 2-5 are exactly 0 afterwards and the spares are kept.
TEST_F(EncoderTest, FoldDownClearsAndRemovesDc) {
    for (int s = 0; s < 2; ++s) {
        const FrameVec c = Encode(s, Constant(257, HV_C, 1.0f), 0),
                       lfe = Encode(s, Constant(257, HV_LFE, 1.0f), 0);
        for (size_t i = 0; i < c.size(); ++i) {
            ASSERT_TRUE(c[i].f[HV_L] == 0.707f && c[i].f[HV_R] == 0.707f) << SetName(s) << i;
            ASSERT_TRUE(lfe[i].f[HV_L] == 2.235f && lfe[i].f[HV_R] == 2.235f) << SetName(s) << i;
        }
        const FrameVec in = MusicLikeSix(1001), out = Encode(s, in, 0);
        for (size_t i = 0; i < in.size(); ++i) {
            for (int k = 2; k <= 5; ++k) ASSERT_EQ(out[i].f[k], 0.0f) << SetName(s) << i;
            ASSERT_TRUE(out[i].f[6] == in[i].f[6] && out[i].f[7] == in[i].f[7]) << SetName(s) << i;
        }
        for (int slot : {HV_SL, HV_SR}) {
            const FrameVec dc = Encode(s, Constant(22050, slot, 0.5f), 0);
            EXPECT_NE(dc[10].f[HV_L], 0.0f);  // the step gets through at first
            for (size_t i = 11025; i < dc.size(); ++i)
                ASSERT_TRUE(std::fabs(dc[i].f[HV_L]) < 1e-5f && std::fabs(dc[i].f[HV_R]) < 1e-5f)
                    << SetName(s) << i;
        }
    }
}

// A 1 kHz tone in SL: L gets +0.8165 and R -0.5774 of the band-limited, phase-shifted
// tone, the same waveform in both (so R / L is the constant -0.5774 / 0.8165).
TEST_F(EncoderTest, SurroundToneLevelsAndPhase) {
    const double hz = 1000.0, near = 0.8165, far = 0.5774;
    const std::complex<double> h =
        BiquadResponse(St().m_coefSurrHP, hz) * BiquadResponse(St().m_coefSurrLP, hz) * AllPass(hz);
    for (int s = 0; s < 2; ++s)
        for (int slot : {HV_SL, HV_SR}) {
            const FrameVec out = Encode(s, ToneIn(30000, slot, hz), 0);
            const int own = slot == HV_SL ? HV_L : HV_R, other = slot == HV_SL ? HV_R : HV_L;
            const double sign = slot == HV_SL ? 1.0 : -1.0;  // SR enters R with minus, L with plus
            const std::complex<double> p[2] = {Phasor(out, own, 22050, 4410, hz),
                                               Phasor(out, other, 22050, 4410, hz)};
            const std::complex<double> expect[2] = {sign * near * h, -sign * far * h};
            for (int k = 0; k < 2; ++k) {
                EXPECT_NEAR(std::abs(p[k]), std::abs(expect[k]), kLevelTolerance * std::abs(expect[k]))
                    << SetName(s);
                EXPECT_NEAR(std::arg(p[k] / expect[k]), 0.0, kPhaseTolerance) << SetName(s);
            }
            for (size_t i = 0; i < out.size(); ++i)
                ASSERT_NEAR(out[i].f[other], -(far / near) * out[i].f[own], 1e-6) << SetName(s) << i;
        }
}

TEST_F(EncoderTest, PhaseNetworkHasUnitGainAndTheDesignedPhase) {
    for (int s = 0; s < 2; ++s) {
        // Impulse response energy of an all-pass is 1 (Parseval); poles at radius 0.9953
        // have died out well inside 30000 samples.
        FrameVec imp(30000, HVCHUNK_INTCHUNK{});
        imp[0].f[HV_SL] = 1.0f;
        imp[0].f[HV_SR] = -1.0f;
        const FrameVec h = ShiftPhase(s, imp);
        double eL = 0, eR = 0;
        for (const auto& f : h) eL += double(f.f[HV_SL]) * f.f[HV_SL], eR += double(f.f[HV_SR]) * f.f[HV_SR];
        EXPECT_NEAR(eL, 1.0, 1e-5) << SetName(s);
        EXPECT_NEAR(eR, 1.0, 1e-5) << SetName(s);
        // h[0] = c1 c2 c3 c4, h[1] = 0 (only even powers of z^-1).
        EXPECT_NEAR(h[0].f[HV_SL], kApCoef[0] * kApCoef[1] * kApCoef[2] * kApCoef[3], 1e-7) << SetName(s);
        EXPECT_EQ(h[1].f[HV_SL], 0.0f) << SetName(s);
        EXPECT_EQ(h[0].f[HV_SR], -h[0].f[HV_SL]) << SetName(s);
        // Sines across the band: unit amplitude, phase as designed.
        for (double hz : {100.0, 1000.0, 5000.0, 15000.0}) {
            const std::complex<double> p =
                Phasor(ShiftPhase(s, ToneIn(30000, HV_SL, hz)), HV_SL, 25590, 4410, hz);
            EXPECT_NEAR(std::abs(p), 1.0, kLevelTolerance) << SetName(s) << " " << hz;
            EXPECT_NEAR(std::arg(p / AllPass(hz)), 0.0, kPhaseTolerance) << SetName(s) << " " << hz;
        }
    }
}

TEST_F(EncoderTest, SetsAgreeOverOddLengthsAndChunkSizeNeverMatters) {
    for (uint32_t n : {1u, 2u, 3u, 5u, 17u, 253u, 4099u, 88201u}) {
        const FrameVec in = MusicLikeSix(n, 500u + n);
        EXPECT_LE(CrossSetWorst(Encode(0, in, 0), Encode(1, in, 0), {0, 1, 2, 3, 4, 5, 6, 7}), kCrossSetTolerance)
            << n;
    }
    const FrameVec in = MusicLikeSix(10007);
    for (int s = 0; s < 2; ++s) {
        const FrameVec whole = Encode(s, in, 4096);
        for (uint32_t chunk : {17u, 1u, 0u})
            EXPECT_TRUE(Same(Encode(s, in, chunk), whole)) << SetName(s) << " chunk " << chunk;
        SCOPED_TRACE(SetName(s));  // an empty chunk moves none of the encoder's memories
        ExpectEmptyChunkMovesNothing(in, {&St().m_stSurrHP, &St().m_stSurrLP, &St().m_stPhase},
                                     [&](HVFrames& f) { Set(s).EncodeMatrix(6, f); });
    }
}
