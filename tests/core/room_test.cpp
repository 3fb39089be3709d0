// Passive decoder, bass redirection, trims and gains, and the room delay lines, in both
// kernel sets, against hand-worked values; scalar and SSE2 cross-checked over odd lengths.
#include <limits>

#include "TestUtil.h"

namespace {

// The two sets round differently (double vs single precision). A direct-form high-pass with
// its corner near DC amplifies rounding noise (1 / (1 + a1 + a2) is about 3500 at 120 Hz),
// so over 1023 frames of unit noise the sets differ by up to about 2e-5.
constexpr float kSetTolerance = 1e-4f;
// Settled filter output: what a decaying transient may leave after the settling time.
constexpr float kSettledTolerance = 1e-4f;

void SetFrame(HVFrames& f, uint32_t i, float l, float r, float c = 0, float lfe = 0, float sl = 0,
              float sr = 0) {
    const float v[8] = {l, r, c, lfe, sl, sr, 7.0f, 8.0f};
    std::memcpy(f[i].f, v, sizeof v);
}

// n frames of the same values.
void Fill(HVFrames& f, uint32_t n, float l, float r, float c = 0, float lfe = 0, float sl = 0, float sr = 0) {
    f.Resize(n);
    for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, l, r, c, lfe, sl, sr);
}

}  // namespace

TEST(PassiveDecoder, MatrixCasesInBothSets) {
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(SetName(s));
        HVFrames f;
        f.Resize(3);
        SetFrame(f, 0, 1, 1, 0, 0.25f);
        SetFrame(f, 1, 1, -1, 0, 0.25f);
        SetFrame(f, 2, 1, 0, 0, 0.25f);
        Set(s).DecodePassive(f);
        const float expect[3][6] = {
            {0.707f, 0.707f, 1, 0, 0, 0}, {0.707f, -0.707f, 0, 0, 1, 1}, {0.707f, 0, 0.5f, 0, 0.5f, 0.5f}};
        for (int i = 0; i < 3; ++i)
            for (int k : {0, 1, 2, 4, 5}) EXPECT_EQ(f[i].f[k], expect[i][k]) << i << " " << k;
        // LFE and the spares: kept by the scalar set, zero from the vector set.
        EXPECT_EQ(f[0].f[HV_LFE], s == 0 ? 0.25f : 0.0f);
        EXPECT_EQ(f[0].f[7], s == 0 ? 8.0f : 0.0f);
        // The zero terms are real: an infinite left sample makes R NaN.
        Fill(f, 1, std::numeric_limits<float>::infinity(), 0.5f);
        Set(s).DecodePassive(f);
        EXPECT_TRUE(std::isinf(f[0].f[HV_L]));
        EXPECT_TRUE(std::isnan(f[0].f[HV_R]));
    }
}

TEST(RedirectBass, DcMovesIntoLfe) {
    HVLIB_CONFIG cfg;
    cfg.dwMode = 1;
    const uint32_t n = 8192;  // the 120 Hz high-pass has settled long before the end
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(SetName(s));
        StartEngine(cfg, 44100);
        HVFrames f;
        Fill(f, n, 1, 0, 0, 0, 0.5f, -0.5f);
        Set(s).RedirectBass(St().m_coefBass, St().m_stBass, f);
        EXPECT_NEAR(f[n - 1].f[HV_L], 0.0f, kSettledTolerance);
        EXPECT_NEAR(f[n - 1].f[HV_LFE], 0.316f, kSettledTolerance);
        EXPECT_EQ(f[n - 1].f[HV_R], 0.0f);
        // First frame: y = b0 x, so LFE = 0.316 (1 - b0).
        EXPECT_NEAR(f[0].f[HV_LFE], 0.316 * (1.0 - St().m_coefBass.b0), 1e-7);
        for (uint32_t i = 0; i < n; ++i) ASSERT_TRUE(f[i].f[HV_SL] == 0.5f && f[i].f[HV_SR] == -0.5f);

        // Equal DC in L, R and C: 3 x 0.316 = 0.948 of it reaches LFE.
        StartEngine(cfg, 44100);
        Fill(f, n, 0.5f, 0.5f, 0.5f, 0.1f);
        Set(s).RedirectBass(St().m_coefBass, St().m_stBass, f);
        EXPECT_NEAR(f[n - 1].f[HV_LFE], 0.1f + 0.948f * 0.5f, kSettledTolerance);
        EXPECT_NEAR(f[n - 1].f[HV_C], 0.0f, kSettledTolerance);
    }
}

TEST(ApplyGains, TrimsMasterInversionAndTheHeadphoneFlag) {
    HVLIB_CONFIG cfg;
    cfg.dwMode = 1, cfg.nMasterGain = 6;
    cfg.nTrimL = -6;   // -6 + 6 dB: 0.501187 x 1.995262 = 1.0000000 (to 7 digits)
    cfg.nTrimC = -12;  // 0.251189 x 1.995262 = 0.501187
    cfg.nTrimSR = 3;   // 1.412538 x 1.995262 = 2.818383
    cfg.bLFEInvert = 1;  // Sub 0 dB inverted: -1.995262
    const float inf = std::numeric_limits<float>::infinity();
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(SetName(s));
        StartEngine(cfg, 44100);
        HVFrames f;
        Fill(f, 1, 1, 1, 1, 1, 1, 1);
        Set(s).ApplyGains(f, 1);
        EXPECT_NEAR(f[0].f[HV_L], 1.0f, 1e-6f);
        EXPECT_NEAR(f[0].f[HV_R], 1.995262f, 2e-6f);
        EXPECT_NEAR(f[0].f[HV_C], 0.501187f, 1e-6f);
        EXPECT_NEAR(f[0].f[HV_SR], 2.818383f, 3e-6f);
        EXPECT_NEAR(f[0].f[HV_LFE], -1.995262f, 2e-6f);
        EXPECT_EQ(f[0].f[7], s == 0 ? 8.0f : 0.0f);
        // Flag 0 (headphones): master gain on L and R only, no trims, the rest cleared even
        // when it held inf or NaN.
        Fill(f, 1, 1.0f, -2.0f, inf, std::nanf(""), 3.0f, -inf);
        Set(s).ApplyGains(f, 0);
        EXPECT_NEAR(f[0].f[HV_L], 1.995262f, 2e-6f);
        EXPECT_NEAR(f[0].f[HV_R], -3.990524f, 4e-6f);
        for (int k = 2; k < 6; ++k) EXPECT_EQ(f[0].f[k], 0.0f) << k;
    }
}

// Passive decoder: every product is exact and each output has one rounding in either set,
// so the sets agree bit for bit. Gains: one rounding apart (two float ulps). Bass
// redirection: within kSetTolerance, surrounds untouched.
TEST(RoomKernels, ScalarAndSSE2AgreeOverOddLengths) {
    HVLIB_CONFIG cfg;
    cfg.nMasterGain = -5;
    const int32_t trims[6] = {-12, -7, 1, 5, 11, 12};
    std::memcpy(&cfg.nTrimL, trims, sizeof trims);
    StartEngine(cfg, 44100);
    for (uint32_t n : kOddLengths)
        for (int op = 0; op < 4; ++op) {
            SCOPED_TRACE(testing::Message() << "operation " << op << ", " << n << " frames");
            const FrameVec in = NoiseFrames(n, n + op);
            HVFrames f[2];
            BiquadState st[2] = {};
            for (int s = 0; s < 2; ++s) {
                Load(f[s], in);
                if (op == 0) Set(s).DecodePassive(f[s]);
                if (op == 1) Set(s).RedirectBass(St().m_coefBass, st[s], f[s]);
                if (op >= 2) Set(s).ApplyGains(f[s], op - 2);
            }
            for (uint32_t i = 0; i < n; ++i)
                for (int k = 0; k < 6; ++k) {
                    const float a = f[0][i].f[k], b = f[1][i].f[k];
                    if (op == 0 && k == HV_LFE) continue;  // the vector decoder clears LFE
                    const float tol = op == 1 && k < 4 ? kSetTolerance
                                      : op >= 2        ? 2.5e-7f * std::fabs(a)
                                                       : 0.0f;
                    ASSERT_NEAR(a, b, tol) << i << " " << k;
                    ASSERT_TRUE(op != 1 || k < 4 || b == in[i].f[k]) << i << " " << k;
                }
            for (int r = 0; op == 1 && r < 4; ++r)
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(st[0].m[r][c], st[1].m[r][c], kSetTolerance);
        }
}

// 10 ms of L at 44.1 kHz is 441 samples, SL 3 + 2 ms is 220; chunks shorter than a delay
// come entirely from the line, the two sets take turns, and R, LFE and the spares pass.
TEST(DelayChannels, DelaysAreExactAndContinuousAcrossChunks) {
    HVLIB_CONFIG cfg;
    cfg.dwDelayL = 10, cfg.dwSurroundDelayMusic = 3, cfg.dwDelaySL = 2;
    StartEngine(cfg, 44100);
    const uint32_t sizes[] = {1, 100, 7, 441, 300, 2, 1149};
    HVFrames f;
    for (uint32_t c = 0, done = 0; done < 2000; done += sizes[c++ % 7]) {
        const uint32_t n = std::min(sizes[c % 7], 2000 - done);
        f.Resize(n);
        for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, float(done + i + 1), 2, 0, 0.5f, float(done + i + 1));
        Set(c % 2).DelayChannels(f, 1);
        for (uint32_t i = 0, t = done; i < n; ++i, ++t) {
            ASSERT_EQ(f[i].f[HV_L], t < 441 ? 0.0f : float(t + 1 - 441)) << t;
            ASSERT_EQ(f[i].f[HV_SL], t < 220 ? 0.0f : float(t + 1 - 220)) << t;
            ASSERT_TRUE(f[i].f[HV_R] == 2 && f[i].f[HV_LFE] == 0.5f && f[i].f[6] == 7.0f) << t;
        }
    }
    EXPECT_EQ(St().m_delay[HV_L].m_dwCount, 441u);
    EXPECT_EQ(St().m_delay[HV_R].m_dwCount, 0u);
}

TEST(DelayChannels, LengthChangesRestartOnlyTheChangedLines) {
    HVLIB_CONFIG cfg;  // L 48 samples, surrounds 48 (music) or 96 (movie)
    cfg.dwDelayL = 1, cfg.dwSurroundDelayMusic = 1, cfg.dwSurroundDelayMovie = 2;
    StartEngine(cfg, 48000);
    HVFrames f;
    Fill(f, 100, 1, 0, 0, 0, 1, 1);
    TestLib().Vector().DelayChannels(f, 1);  // lines now full of ones
    // Switching to the movie flavour changes SL/SR (96 samples) but not L.
    cfg.dwSurroundMode = 0;
    Fill(f, 100, 1, 0, 0, 0, 1, 1);
    TestLib().Scalar().DelayChannels(f, 1);
    EXPECT_EQ(f[0].f[HV_L], 1.0f);   // content kept
    EXPECT_EQ(f[0].f[HV_SL], 0.0f);  // restarted from silence
    EXPECT_EQ(f[95].f[HV_SR], 0.0f);
    EXPECT_EQ(f[96].f[HV_SR], 1.0f);
    // Back to music: the shorter line reuses the storage, which must be cleared, not stale.
    cfg.dwSurroundMode = 1;
    Fill(f, 100, 1, 0, 0, 0, 1, 1);
    TestLib().Vector().DelayChannels(f, 1);
    EXPECT_EQ(St().m_delay[HV_SL].m_dwCapacity, 96u);
    for (uint32_t i = 0; i < 48; ++i) ASSERT_EQ(f[i].f[HV_SL], 0.0f) << i;
    EXPECT_EQ(f[48].f[HV_SL], 1.0f);

    // All delays 0: the chunk passes bit-identically.
    HVLIB_CONFIG zero;
    zero.dwSurroundDelayMusic = 0;
    StartEngine(zero, 48000);
    const FrameVec in = NoiseFrames(1023, 1);
    EXPECT_TRUE(Same(RunChunked(in, 0, [](HVFrames& g) { TestLib().Vector().DelayChannels(g, 1); }), in));
}

TEST(DelayChannels, HeadphoneSetUpDelaysOnlyDecodedSurrounds) {
    HVLIB_CONFIG cfg;  // room delays do not apply to headphones
    cfg.dwDelayL = 5, cfg.dwSurroundDelayMusic = 1, cfg.dwSurroundDelayMovie = 2;
    StartEngine(cfg, 48000);
    HVFrames f;
    f.Resize(1);
    TestLib().Scalar().DelayChannels(f, 1);  // room lines exist
    auto ramp = [&] {
        f.Resize(300);
        for (uint32_t i = 0; i < 300; ++i) SetFrame(f, i, 1, 1, 1, 1, float(i + 1), float(i + 1));
    };
    ramp();
    cfg.dwHeadphonesMode = 1;  // movie set, decoding on: 96 samples
    TestLib().Scalar().DelayChannels(f, 0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(St().m_delay[k].m_dwCount, 0u);
    EXPECT_NE(St().m_delay[HV_L].m_pData, nullptr);  // storage kept
    EXPECT_EQ(f[10].f[HV_L], 1.0f);
    EXPECT_EQ(f[95].f[HV_SL], 0.0f);
    EXPECT_EQ(f[96].f[HV_SR], 1.0f);
    // Movie set without decoding: surrounds pass.
    cfg.bHeadphonesDecodeMovie = 0;
    ramp();
    TestLib().Scalar().DelayChannels(f, 0);
    EXPECT_EQ(f[0].f[HV_SL], 1.0f);
    EXPECT_EQ(St().m_delay[HV_SR].m_dwCount, 0u);
}
