// Passive decoder, bass redirection, trims and gains, and the room delay lines, in both
// kernel sets, against hand-worked values; scalar and SSE2 cross-checked over odd lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "KernelTestUtil.h"

namespace {

// The two sets round differently (double vs single precision). A direct-form high-pass with
// its corner near DC amplifies rounding noise (1 / (1 + a1 + a2) is about 3500 at 120 Hz),
// so over 1023 frames of unit noise the sets differ by up to about 2e-5.
constexpr float kSetTolerance = 1e-4f;
// Settled filter output: what a decaying transient may leave after the settling time.
constexpr float kSettledTolerance = 1e-4f;

CHVFn* const kSets[] = {&g_fnx87, &g_fnSSE2};
const char* const kSetNames[] = {"scalar", "SSE2"};

HVLIB_CONFIG RoomConfig() {
    HVLIB_CONFIG cfg;
    cfg.dwMode = 1;
    return cfg;
}

// Single-precision reference of the vector bass redirection, written channel by channel:
// the filter rounds after every operation, LFE += ((dC + dR) + dL) x 0.316.
void RedirectBassFloatReference(const BiquadCoeffs& c, BiquadState& st, HVFrames& f) {
    for (uint32_t i = 0; i < f.m_dwCount; ++i) {
        float d[3];
        for (int ch = 0; ch < 3; ++ch) {
            float(&m)[4][8] = st.m;
            const float x = f[i].f[ch];
            float y = c.b1 * m[0][ch] + c.b0 * x;
            y = y + c.b0 * m[1][ch];
            y = y - c.a1 * m[2][ch];
            y = y - c.a2 * m[3][ch];
            m[1][ch] = m[0][ch], m[0][ch] = x, m[3][ch] = m[2][ch], m[2][ch] = y;
            f[i].f[ch] = y;
            d[ch] = x - y;
        }
        f[i].f[HV_LFE] = ((d[2] + d[1]) + d[0]) * 0.316f + f[i].f[HV_LFE];
    }
}

void SetFrame(HVFrames& f, uint32_t i, float l, float r, float c = 0, float lfe = 0, float sl = 0, float sr = 0) {
    const float v[8] = {l, r, c, lfe, sl, sr, 7.0f, 8.0f};
    std::memcpy(f[i].f, v, sizeof v);
}

}  // namespace

TEST(PassiveDecoder, MatrixCasesInBothSets) {
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(kSetNames[s]);
        HVFrames f;
        f.Resize(3);
        SetFrame(f, 0, 1, 1, 0, 0.25f);
        SetFrame(f, 1, 1, -1, 0, 0.25f);
        SetFrame(f, 2, 1, 0, 0, 0.25f);
        kSets[s]->DecodePassive(f);
        const float expect[3][6] = {{0.707f, 0.707f, 1, 0, 0, 0}, {0.707f, -0.707f, 0, 0, 1, 1},
                                    {0.707f, 0, 0.5f, 0, 0.5f, 0.5f}};
        for (int i = 0; i < 3; ++i)
            for (int k : {0, 1, 2, 4, 5}) EXPECT_EQ(f[i].f[k], expect[i][k]) << i << " " << k;
        // LFE and the spares: kept by the scalar set, zero from the vector set.
        EXPECT_EQ(f[0].f[HV_LFE], s == 0 ? 0.25f : 0.0f);
        EXPECT_EQ(f[0].f[6], s == 0 ? 7.0f : 0.0f);
        EXPECT_EQ(f[0].f[7], s == 0 ? 8.0f : 0.0f);

        // The zero terms are real: an infinite left sample makes R NaN.
        f.Resize(1);
        SetFrame(f, 0, std::numeric_limits<float>::infinity(), 0.5f);
        kSets[s]->DecodePassive(f);
        EXPECT_TRUE(std::isinf(f[0].f[HV_L]));
        EXPECT_TRUE(std::isnan(f[0].f[HV_R]));

        // Zero frames change nothing.
        f.Resize(0);
        kSets[s]->DecodePassive(f);
        EXPECT_EQ(f.m_dwCount, 0u);
    }
}

// Every product of the matrix is exact and each output has one rounding in either set, so
// the two agree bit for bit on the five channels.
TEST(PassiveDecoder, ScalarAndSSE2AgreeExactlyOverOddLengths) {
    for (uint32_t n : kOddLengths) {
        HVFrames a, b;
        FillNoiseFrames(a, n);
        CopyFrames(a, b);
        g_fnx87.DecodePassive(a);
        g_fnSSE2.DecodePassive(b);
        for (uint32_t i = 0; i < n; ++i)
            for (int k : {0, 1, 2, 4, 5}) ASSERT_EQ(a[i].f[k], b[i].f[k]) << n << " " << i << " " << k;
    }
}

TEST(RedirectBass, DcMovesIntoLfe) {
    HVLIB_CONFIG cfg = RoomConfig();
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(kSetNames[s]);
        StartEngine(cfg, 44100);
        const uint32_t n = 8192;  // the 120 Hz high-pass has settled long before the end
        HVFrames f;
        f.Resize(n);
        for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, 1, 0, 0, 0, 0.5f, -0.5f);
        kSets[s]->RedirectBass(CHVFn::m_coefBass, CHVFn::m_stBass, f);
        const float* last = f[n - 1].f;
        EXPECT_NEAR(last[HV_L], 0.0f, kSettledTolerance);
        EXPECT_NEAR(last[HV_LFE], 0.316f, kSettledTolerance);
        EXPECT_EQ(last[HV_R], 0.0f);
        // First frame: y = b0 * x, so LFE = 0.316 (1 - b0).
        EXPECT_NEAR(f[0].f[HV_LFE], 0.316 * (1.0 - CHVFn::m_coefBass.b0), 1e-7);
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(f[i].f[HV_SL], 0.5f);
            ASSERT_EQ(f[i].f[HV_SR], -0.5f);
        }

        // Equal DC in L, R and C: 3 x 0.316 = 0.948 of it reaches LFE.
        StartEngine(cfg, 44100);
        for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, 0.5f, 0.5f, 0.5f, 0.1f);
        kSets[s]->RedirectBass(CHVFn::m_coefBass, CHVFn::m_stBass, f);
        EXPECT_NEAR(f[n - 1].f[HV_LFE], 0.1f + 0.948f * 0.5f, kSettledTolerance);
        EXPECT_NEAR(f[n - 1].f[HV_C], 0.0f, kSettledTolerance);
    }
}

TEST(RedirectBass, HighFrequenciesPassNearlyUnchanged) {
    HVLIB_CONFIG cfg = RoomConfig();
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(kSetNames[s]);
        StartEngine(cfg, 44100);
        const uint32_t n = 4410;
        HVFrames f;
        f.Resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            const float x = float(std::sin(2 * M_PI * 5000.0 * i / 44100));
            SetFrame(f, i, x, -x, x);
        }
        HVFrames in;
        CopyFrames(f, in);
        kSets[s]->RedirectBass(CHVFn::m_coefBass, CHVFn::m_stBass, f);
        // 5 kHz is 40 times the 120 Hz corner: gain 1 to within 1e-3, a phase lead of about
        // 0.034 rad; the LFE receives 0.316 x |1 - H| of the summed front, about 0.011.
        double inL = 0, outL = 0, lfe = 0;
        for (uint32_t i = n / 2; i < n; ++i) {
            inL += double(in[i].f[HV_L]) * in[i].f[HV_L];
            outL += double(f[i].f[HV_L]) * f[i].f[HV_L];
            lfe += double(f[i].f[HV_LFE]) * f[i].f[HV_LFE];
        }
        EXPECT_NEAR(std::sqrt(outL / inL), 1.0, 1e-3);
        EXPECT_LT(std::sqrt(lfe / inL), 0.02);
    }
}

TEST(RedirectBass, ScalarAndSSE2AgreeOverOddLengthsAndKeepTheSurrounds) {
    HVLIB_CONFIG cfg = RoomConfig();
    CHVFn::m_pConfig = &cfg;
    CHVFn::CalcStaticConstants(44100);
    for (uint32_t n : kOddLengths) {
        HVFrames a, b;
        FillNoiseFrames(a, n, n);
        CopyFrames(a, b);
        BiquadState sa{}, sb{};
        g_fnx87.RedirectBass(CHVFn::m_coefBass, sa, a);
        g_fnSSE2.RedirectBass(CHVFn::m_coefBass, sb, b);
        HVFrames in;
        FillNoiseFrames(in, n, n);
        for (uint32_t i = 0; i < n; ++i) {
            for (int k = 0; k < 4; ++k) ASSERT_NEAR(a[i].f[k], b[i].f[k], kSetTolerance) << n << " " << i << " " << k;
            for (int k = 4; k < 6; ++k) {
                ASSERT_EQ(a[i].f[k], in[i].f[k]);
                ASSERT_EQ(b[i].f[k], in[i].f[k]);
            }
        }
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(sa.m[r][c], sb.m[r][c], kSetTolerance);

        // The vector set matches the single-precision reference bit for bit.
        BiquadState sr{};
        RedirectBassFloatReference(CHVFn::m_coefBass, sr, in);
        for (uint32_t i = 0; i < n; ++i)
            for (int k = 0; k < 4; ++k) ASSERT_EQ(b[i].f[k], in[i].f[k]) << n << " " << i << " " << k;
        EXPECT_EQ(std::memcmp(&sr.m[0][0], &sb.m[0][0], sizeof(float) * 3), 0);
    }
}

TEST(ApplyGains, HeadphoneFlagKeepsOnlyLeftAndRight) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.nMasterGain = -6;
    cfg.nTrimL = 12;  // trims do not apply with flag 0
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(kSetNames[s]);
        StartEngine(cfg, 44100);
        HVFrames f;
        f.Resize(1);
        const float inf = std::numeric_limits<float>::infinity();
        SetFrame(f, 0, 1.0f, -2.0f, inf, std::nanf(""), 3.0f, -inf);
        kSets[s]->ApplyGains(f, 0);
        EXPECT_NEAR(f[0].f[HV_L], 0.501187f, 1e-6f);
        EXPECT_NEAR(f[0].f[HV_R], -1.002374f, 2e-6f);
        for (int k = 2; k < 6; ++k) EXPECT_EQ(f[0].f[k], 0.0f) << k;
        EXPECT_EQ(f[0].f[6], s == 0 ? 7.0f : 0.0f);
    }
}

TEST(ApplyGains, TrimsTimesMasterAndLfeInversion) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.nMasterGain = 6;
    cfg.nTrimL = -6;   // -6 + 6 dB: 0.501187 x 1.995262 = 1.0000000 (to 7 digits)
    cfg.nTrimC = -12;  // 0.251189 x 1.995262 = 0.501187
    cfg.nTrimSR = 3;   // 1.412538 x 1.995262 = 2.818383
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(kSetNames[s]);
        StartEngine(cfg, 44100);
        HVFrames f;
        f.Resize(1);
        SetFrame(f, 0, 1, 1, 1, 1, 1, 1);
        kSets[s]->ApplyGains(f, 1);
        EXPECT_NEAR(f[0].f[HV_L], 1.0f, 1e-6f);
        EXPECT_NEAR(f[0].f[HV_R], 1.995262f, 2e-6f);
        EXPECT_NEAR(f[0].f[HV_C], 0.501187f, 1e-6f);
        EXPECT_NEAR(f[0].f[HV_SR], 2.818383f, 3e-6f);
        EXPECT_EQ(f[0].f[7], s == 0 ? 8.0f : 0.0f);
    }
    // Sub trim 0 dB, inverted, master 0 dB: LFE exactly negated, the rest exactly kept.
    HVLIB_CONFIG inv = RoomConfig();
    inv.bLFEInvert = 1;
    for (int s = 0; s < 2; ++s) {
        StartEngine(inv, 48000);
        HVFrames f, in;
        FillNoiseFrames(f, 17);
        CopyFrames(f, in);
        kSets[s]->ApplyGains(f, 1);
        for (uint32_t i = 0; i < 17; ++i)
            for (int k = 0; k < 6; ++k) ASSERT_EQ(f[i].f[k], k == HV_LFE ? -in[i].f[k] : in[i].f[k]);
    }
}

TEST(ApplyGains, ScalarAndSSE2AgreeOverOddLengths) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.nMasterGain = -5;
    const int32_t trims[6] = {-12, -7, 1, 5, 11, 12};
    std::memcpy(&cfg.nTrimL, trims, sizeof trims);
    StartEngine(cfg, 44100);
    for (uint32_t n : kOddLengths)
        for (uint32_t flag : {0u, 1u}) {
            HVFrames a, b;
            FillNoiseFrames(a, n);
            CopyFrames(a, b);
            g_fnx87.ApplyGains(a, flag);
            g_fnSSE2.ApplyGains(b, flag);
            for (uint32_t i = 0; i < n; ++i)
                for (int k = 0; k < 6; ++k)  // one rounding apart: two float ulps
                    ASSERT_NEAR(a[i].f[k], b[i].f[k], 2.5e-7f * std::fabs(a[i].f[k])) << n << " " << i << " " << k;
        }
}

TEST(DelayChannels, OneMillisecondOfCentreAt48k) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.dwDelayC = 1;
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(kSetNames[s]);
        StartEngine(cfg, 48000);
        const uint32_t n = 200;
        HVFrames f;
        f.Resize(n);
        for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, float(i + 1), -float(i + 1), float(i + 1), 0.5f);
        kSets[s]->DelayChannels(f, 1);
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(f[i].f[HV_C], i < 48 ? 0.0f : float(i + 1 - 48)) << i;
            ASSERT_EQ(f[i].f[HV_L], float(i + 1));  // no delay: unchanged
            ASSERT_EQ(f[i].f[HV_LFE], 0.5f);
            ASSERT_EQ(f[i].f[6], 7.0f);
        }
        EXPECT_EQ(CHVFn::m_delay[HV_C].m_dwCount, 48u);
        EXPECT_EQ(CHVFn::m_delay[HV_L].m_dwCount, 0u);
    }
}

// A chunk shorter than the delay comes entirely from the line; chunking does not matter.
TEST(DelayChannels, ContinuousAcrossChunksShorterThanTheDelay) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.dwDelayL = 10;             // 441 samples at 44.1 kHz
    cfg.dwSurroundDelayMusic = 3;  // SL: 3 + 2 ms = 220 samples
    cfg.dwDelaySL = 2;
    StartEngine(cfg, 44100);
    const uint32_t total = 2000;
    const uint32_t sizes[] = {1, 100, 7, 441, 300, 2, 1149};
    uint32_t done = 0;
    HVFrames f;
    for (int c = 0; done < total; ++c) {
        const uint32_t n = std::min(sizes[c % 7], total - done);
        f.Resize(n);
        for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, float(done + i + 1), 0, 0, 0, float(done + i + 1));
        g_fnx87.DelayChannels(f, 1);
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t t = done + i;
            ASSERT_EQ(f[i].f[HV_L], t < 441 ? 0.0f : float(t + 1 - 441)) << t;
            ASSERT_EQ(f[i].f[HV_SL], t < 220 ? 0.0f : float(t + 1 - 220)) << t;
        }
        done += n;
    }
}

TEST(DelayChannels, LengthChangesRestartOnlyTheChangedLines) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.dwDelayL = 1;  // 48 samples
    cfg.dwSurroundDelayMusic = 1;
    cfg.dwSurroundDelayMovie = 2;
    StartEngine(cfg, 48000);
    HVFrames f;
    f.Resize(100);
    for (uint32_t i = 0; i < 100; ++i) SetFrame(f, i, 1, 0, 0, 0, 1, 1);
    g_fnSSE2.DelayChannels(f, 1);  // lines now full of ones
    // Switching to the movie flavour changes SL/SR (96 samples) but not L.
    cfg.dwSurroundMode = 0;
    for (uint32_t i = 0; i < 100; ++i) SetFrame(f, i, 1, 0, 0, 0, 1, 1);
    g_fnx87.DelayChannels(f, 1);
    EXPECT_EQ(f[0].f[HV_L], 1.0f);   // content kept
    EXPECT_EQ(f[0].f[HV_SL], 0.0f);  // restarted from silence
    EXPECT_EQ(f[95].f[HV_SR], 0.0f);
    EXPECT_EQ(f[96].f[HV_SR], 1.0f);
    EXPECT_EQ(CHVFn::m_delay[HV_SL].m_dwCount, 96u);
    // Back to music: the shorter line reuses the storage, which must be cleared, not stale.
    cfg.dwSurroundMode = 1;
    for (uint32_t i = 0; i < 100; ++i) SetFrame(f, i, 1, 0, 0, 0, 1, 1);
    g_fnSSE2.DelayChannels(f, 1);
    EXPECT_EQ(CHVFn::m_delay[HV_SL].m_dwCapacity, 96u);
    for (uint32_t i = 0; i < 48; ++i) ASSERT_EQ(f[i].f[HV_SL], 0.0f) << i;
    EXPECT_EQ(f[48].f[HV_SL], 1.0f);

    // All delays 0: the chunk passes bit-identically.
    HVLIB_CONFIG zero = RoomConfig();
    zero.dwSurroundDelayMusic = 0;
    StartEngine(zero, 48000);
    HVFrames a, in;
    FillNoiseFrames(a, 1023);
    CopyFrames(a, in);
    g_fnSSE2.DelayChannels(a, 1);
    EXPECT_EQ(std::memcmp(a.m_pData, in.m_pData, 1023 * sizeof(HVCHUNK_INTCHUNK)), 0);
}

TEST(DelayChannels, HeadphoneSetUpDelaysOnlyDecodedSurrounds) {
    HVLIB_CONFIG cfg = RoomConfig();
    cfg.dwDelayL = 5;  // room delays do not apply to headphones
    cfg.dwSurroundDelayMusic = 1;
    cfg.dwSurroundDelayMovie = 2;
    StartEngine(cfg, 48000);
    HVFrames f;
    f.Resize(1);
    g_fnx87.DelayChannels(f, 1);  // room lines exist
    const uint32_t n = 300;
    f.Resize(n);
    for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, 1, 1, 1, 1, float(i + 1), float(i + 1));
    cfg.dwHeadphonesMode = 1;  // movie set, decoding on: 96 samples
    g_fnx87.DelayChannels(f, 0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(CHVFn::m_delay[k].m_dwCount, 0u);
    EXPECT_NE(CHVFn::m_delay[HV_L].m_pData, nullptr);  // storage kept
    EXPECT_EQ(f[10].f[HV_L], 1.0f);
    EXPECT_EQ(f[95].f[HV_SL], 0.0f);
    EXPECT_EQ(f[96].f[HV_SR], 1.0f);
    // Movie set without decoding: surrounds pass.
    cfg.bHeadphonesDecodeMovie = 0;
    for (uint32_t i = 0; i < n; ++i) SetFrame(f, i, 1, 1, 1, 1, float(i + 1), float(i + 1));
    g_fnx87.DelayChannels(f, 0);
    EXPECT_EQ(f[0].f[HV_SL], 1.0f);
    EXPECT_EQ(CHVFn::m_delay[HV_SR].m_dwCount, 0u);
}
