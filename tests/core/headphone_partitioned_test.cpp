// The headphone mode through the partitioned convolver: agreement with the block engine at
// every first-block size, user responses against independently computed convolutions,
// every rate from 8 to 384 kHz, and the engine's block and latency interface.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "TestUtil.h"
#include "engine/HalvaneEngine.h"
#include "headphone/HVHeadphonePartitioned.h"
#include "headphone/HrirSet.h"

namespace {

using halvane::Engine;

HVLIB_CONFIG Headphones(uint32_t flavour = 0) {
    HVLIB_CONFIG c;
    c.dwMode = 3, c.dwHeadphonesMode = flavour, c.bCUDA = 0;
    c.bHeadphonesDecodeMusic = c.bHeadphonesDecodeMovie = 0;
    return c;
}

// Interleaved output of a streaming engine for `in` (inCh channels) in chunks cycled from
// `chunks`, followed by `extra` frames of silence so the delayed output comes out.
std::vector<float> Stream(Engine& e, const std::vector<float>& in, uint32_t inCh, uint32_t extra,
                          const std::vector<uint32_t>& chunks) {
    std::vector<float> x(in);
    x.resize(x.size() + size_t(extra) * inCh, 0.0f);
    const size_t frames = x.size() / inCh;
    std::vector<float> out(frames * 2);
    for (size_t at = 0, c = 0; at < frames;) {
        const uint32_t n = uint32_t(std::min<size_t>(chunks[c++ % chunks.size()], frames - at));
        e.ProcessInterleaved(x.data() + at * inCh, inCh, out.data() + at * 2, 2, n);
        at += n;
    }
    return out;
}

double Peak(const std::vector<float>& v) {
    double p = 0.0;
    for (float s : v) p = std::max(p, double(std::abs(s)));
    return p;
}

// A synthetic measured set: per response a distinct delay and amplitude and a seeded decaying
// noise tail; lengths from far below a block to longer than the largest one.
HrirSet SyntheticSet(double rate) {
    HrirSet set;
    set.rate = rate;
    std::minstd_rand rng(77);
    std::normal_distribution<float> g(0.0f, 1.0f);
    const size_t lengths[5] = {100, 3000, 9000, 513, 257};
    for (int s = 0; s < 5; ++s)
        for (int e = 0; e < 2; ++e) {
            std::vector<float>& h = set.taps[size_t(s)][size_t(e)];
            h.assign(lengths[s] + size_t(e) * 11, 0.0f);
            const size_t delay = size_t(3 + 7 * s + 5 * e);
            h[delay] = 0.8f - 0.1f * float(s) - 0.3f * float(e);
            for (size_t i = delay + 1; i < h.size(); ++i)
                h[i] = 0.05f * g(rng) * std::exp(-float(i - delay) / float(h.size() / 4 + 1));
        }
    return set;
}

}  // namespace

// The partitioned stage with the built-in bank gives the block engine's stream (the same
// timing, the same samples within 1e-5 of the peak) at first blocks 64, 256 and 8192, for
// both flavours and uneven chunks; the streaming engine's Latency() is the delay it shows.
TEST(HeadphonePartitioned, EqualsTheBlockEngineAtEveryBlock) {
    const FrameVec in = NoiseFrames(3 * HP_BLOCK + 777, 41, 6, 0.5f);
    const std::vector<uint32_t> uneven = {1000, 37, 5000, 8192, 3, 12000};
    for (uint32_t flavour : {0u, 1u}) {
        Stage stage(44100, flavour);
        const FrameVec ref =
            RunChunked(in, 4096, [](HVFrames& f) { TestLib().ProcessHeadphones(TestLib().Scalar(), 6, f); });
        const double peak = [&] {
            double p = 0.0;
            for (const auto& f : ref) p = std::max({p, double(std::abs(f.f[0])), double(std::abs(f.f[1]))});
            return p;
        }();
        ASSERT_GT(peak, 0.01);
        for (uint32_t block : {64u, 256u, 8192u}) {
            SCOPED_TRACE(testing::Message() << "flavour " << flavour << " block " << block);
            HVPartitionedHeadphone p;
            p.SetBlock(block);
            p.Prepare(44100);
            FrameVec out;
            HVFrames buf;
            for (size_t at = 0, c = 0; at < in.size();) {
                const uint32_t n = uint32_t(std::min<size_t>(uneven[c++ % uneven.size()], in.size() - at));
                Load(buf, &in[at], n);
                p.Process(stage.cfg, buf);
                out.insert(out.end(), buf.m_pData, buf.m_pData + buf.m_dwCount);
                at += n;
            }
            // The block engine returns whole blocks; the partitioned stage all but its delay.
            ASSERT_EQ(out.size(), in.size() - (block - 1));
            ASSERT_GT(out.size(), 2 * HP_BLOCK);
            for (size_t i = 0; i < std::min(out.size(), ref.size()); ++i)
                for (int ear = 0; ear < 2; ++ear) ASSERT_NEAR(out[i].f[ear], ref[i].f[ear], 1e-5 * peak) << i;
        }
    }

    // The streaming engine: block 256 is the default block's output 8192 - 256 frames sooner.
    const std::vector<float> x = Noise(size_t(20000) * 6, 0.5f, 12);
    Engine slow(48000, Headphones()), fast(48000, Headphones());
    ASSERT_TRUE(fast.SetHeadphoneBlock(256));
    EXPECT_EQ(slow.Latency(6), 8191u);
    EXPECT_EQ(fast.Latency(6), 255u);
    const std::vector<float> a = Stream(slow, x, 6, 8191, {4096}), b = Stream(fast, x, 6, 8191, uneven);
    const uint32_t shift = 8192 - 256;
    const double tol = 1e-5 * Peak(a);
    for (size_t i = 0; i + shift < 28191 && i < 20000; ++i)
        for (int ear = 0; ear < 2; ++ear) ASSERT_NEAR(b[i * 2 + ear], a[(i + shift) * 2 + ear], tol) << i;
}

// A user set is played as stored: every ear is the sum over the five sources of the direct
// convolutions (LFE through the FC pair at unity, no extra scale), at blocks below and at
// 8192, with responses shorter and longer than the block. Mono plays the FC pair, stereo
// without pre-decode the FL and FR pairs.
TEST(HeadphonePartitioned, UserResponsesEqualTheSumOfDirectConvolutions) {
    const HrirSet set = SyntheticSet(48000.0);
    const uint32_t n = 5000;
    const auto direct = [&](const std::vector<float>& x, uint32_t ch, int ear, size_t t) {
        // Sources of the layout in FL FR FC SL SR order (-1: silent); 6 channels add LFE to FC.
        static const int k1[5] = {-1, -1, 0, -1, -1}, k2[5] = {0, 1, -1, -1, -1}, k6[5] = {0, 1, 2, 4, 5};
        const int* src = ch == 1 ? k1 : ch == 2 ? k2 : k6;
        double acc = 0.0;
        for (int s = 0; s < 5; ++s) {
            if (src[s] < 0) continue;
            const std::vector<float>& h = set.taps[size_t(s)][size_t(ear)];
            for (size_t k = 0; k < h.size() && k <= t; ++k) {
                const size_t i = t - k;
                if (i >= n) continue;
                double v = x[i * ch + size_t(src[s])];
                if (ch == 6 && s == 2) v += x[i * ch + 3];
                acc += v * h[k];
            }
        }
        return acc;
    };
    for (uint32_t ch : {6u, 2u, 1u}) {
        for (uint32_t block : {256u, 8192u}) {
            SCOPED_TRACE(testing::Message() << ch << " channels, block " << block);
            Engine e(48000, Headphones(ch == 6 ? 1 : 0));
            ASSERT_TRUE(e.SetHeadphoneBlock(block));
            ASSERT_TRUE(e.SetHeadphoneResponses(set));
            const std::vector<float> x = Noise(size_t(n) * ch, 0.5f, 5 + ch);
            const uint32_t lat = e.Latency(ch);
            ASSERT_EQ(lat, block - 1);
            const std::vector<float> y = Stream(e, x, ch, lat + 9100, {333, 4096, 17});
            double peak = 0.0, worst = 0.0;
            for (size_t t = 0; t < n + 9000; t += (ch == 6 ? 1 : 7))
                for (int ear = 0; ear < 2; ++ear) {
                    const double ref = direct(x, ch, ear, t);
                    peak = std::max(peak, std::abs(ref));
                    worst = std::max(worst, std::abs(ref - double(y[(t + lat) * 2 + ear])));
                }
            ASSERT_GT(peak, 0.1);
            EXPECT_LT(worst, 1e-5 * peak);
            for (size_t t = 0; t < lat; ++t) ASSERT_EQ(y[t * 2], 0.0f);  // the delay is silence
        }
    }
}

// Every rate from 8 to 384 kHz renders with the built-in bank: finite, and a steady signal on
// the centre (40 tones from 100 Hz to 3.5 kHz, a level that a single room resonance cannot
// move) within 1 dB of its level at 44.1 kHz on each ear. (48 kHz plays the 44.1 kHz taps
// as they are, as the block engine always has: only finite and sounding there.)
TEST(HeadphonePartitioned, EveryRateRendersAtTheLevelOf44k) {
    const auto level = [](uint32_t rate, int ear) {
        Engine e(rate, Headphones());
        const uint32_t n = rate + rate / 2;  // 1.5 s; the tone's level over its last half second
        std::vector<float> x(size_t(n) * 6, 0.0f);
        for (int k = 0; k < 40; ++k) {
            const double hz = 100.0 * std::pow(35.0, k / 39.0), phase = 2.399 * k;
            for (uint32_t i = 0; i < n; ++i)
                x[size_t(i) * 6 + 2] += 0.05f * float(std::sin(2.0 * M_PI * hz * i / rate + phase));
        }
        const std::vector<float> y = Stream(e, x, 6, 0, {4096});
        double sum = 0.0;
        for (uint32_t i = n - rate / 2; i < n; ++i) {
            EXPECT_TRUE(std::isfinite(y[size_t(i) * 2 + ear]));
            sum += double(y[size_t(i) * 2 + ear]) * y[size_t(i) * 2 + ear];
        }
        return 10.0 * std::log10(sum / double(rate / 2));
    };
    const double ref[2] = {level(44100, 0), level(44100, 1)};
    ASSERT_GT(ref[0], -40.0);
    for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 48000u, 88200u, 96000u, 176400u, 192000u,
                          352800u, 384000u}) {
        SCOPED_TRACE(rate);
        for (int ear = 0; ear < 2; ++ear) {
            const double db = level(rate, ear);
            EXPECT_GT(db, ref[ear] - 6.0);
            if (rate != 48000) {
                EXPECT_NEAR(db, ref[ear], 1.0);
            }
        }
    }
}

// Block sizes outside 64..8192 or not powers of two are refused and change nothing; a silent
// or rateless set is refused; the built-in bank comes back on request.
TEST(HeadphonePartitioned, EngineRefusesBadBlocksAndSets) {
    Engine e(44100, Headphones());
    for (uint32_t bad : {0u, 32u, 100u, 16384u}) EXPECT_FALSE(e.SetHeadphoneBlock(bad)) << bad;
    EXPECT_EQ(e.HeadphoneBlock(), 8192u);
    EXPECT_TRUE(e.SetHeadphoneBlock(64));
    EXPECT_EQ(e.Latency(2), 63u);
    EXPECT_EQ(e.Latency(3), 0u);  // an unsupported layout passes through undelayed
    HrirSet silent;
    silent.rate = 44100;
    silent.taps[0][0].assign(10, 0.0f);
    EXPECT_FALSE(e.SetHeadphoneResponses(silent));
    HrirSet set = SyntheticSet(0.0);
    EXPECT_FALSE(e.SetHeadphoneResponses(set));
    EXPECT_TRUE(e.UsesBuiltinHeadphoneResponses());
    set.rate = 96000;
    EXPECT_TRUE(e.SetHeadphoneResponses(set));
    EXPECT_FALSE(e.UsesBuiltinHeadphoneResponses());
    e.UseBuiltinHeadphoneResponses();
    EXPECT_TRUE(e.UsesBuiltinHeadphoneResponses());

    // Each new set is the one heard, however often sets come and go.
    std::vector<float> x(size_t(200) * 2, 0.0f);
    x[0] = 1.0f;
    for (float gain : {1.0f, 0.5f, 0.25f}) {
        HrirSet one;
        one.rate = 44100;
        one.taps[0][0] = {gain};
        one.taps[0][1] = {0.0f, gain};
        ASSERT_TRUE(e.SetHeadphoneResponses(one));
        const std::vector<float> y = Stream(e, x, 2, 0, {200});
        EXPECT_EQ(y[63 * 2], gain);
        e.UseBuiltinHeadphoneResponses();
        Stream(e, x, 2, 0, {200});
    }
}
