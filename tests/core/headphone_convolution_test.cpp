// The block convolution: impulses, block accounting, agreement with direct convolution,
// chunk-size independence, the rate gate, kernel-set equality and allocation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "headphone/HVHeadphoneBlock.h"
#include "headphone_test_util.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"

using hptest::kOutGain;
using hptest::Stage;
using hptest::Taps;

namespace {

// Single-precision transforms of 16384 points: per-sample error of an impulse response
// against 0.89125 x taps, and the least signal-to-error ratio against direct convolution.
constexpr float kImpulseTolerance = 1e-6f;
constexpr double kMinSnrDb = 115.0;  // measured about 132 dB

// Runs `chunks` (frame counts) of `input` through the stage and concatenates the output.
std::vector<HVCHUNK_INTCHUNK> RunChunks(CHVFn& fn, uint32_t code, const std::vector<HVCHUNK_INTCHUNK>& input,
                                        const std::vector<uint32_t>& chunks) {
    std::vector<HVCHUNK_INTCHUNK> out;
    HVFrames frames;
    size_t pos = 0;
    size_t total = 0;
    for (uint32_t n : chunks) total += n;
    EXPECT_EQ(total, input.size());
    if (total > input.size()) return out;
    for (uint32_t n : chunks) {
        frames.Resize(n);
        std::memcpy(frames.m_pData, input.data() + pos, n * sizeof(HVCHUNK_INTCHUNK));
        pos += n;
        fn.ProcessHeadphones(code, frames);
        out.insert(out.end(), frames.m_pData, frames.m_pData + frames.m_dwCount);
    }
    return out;
}

std::vector<HVCHUNK_INTCHUNK> Noise(uint32_t n, uint32_t code, uint32_t seed) {
    HVFrames f;
    hptest::FillNoise(f, n, code, seed);
    return std::vector<HVCHUNK_INTCHUNK>(f.m_pData, f.m_pData + n);
}

std::vector<HVCHUNK_INTCHUNK> Impulse(uint32_t n, uint32_t at, int slot) {
    std::vector<HVCHUNK_INTCHUNK> v(n, HVCHUNK_INTCHUNK{});
    v[at].f[slot] = 1.0f;
    return v;
}

}  // namespace

TEST(HeadphoneConvolution, ImpulseGivesScaledResponsesAndLeavesNoTail) {
    for (uint32_t flavour : {0u, 1u}) {
        Stage stage(44100, flavour);
        for (int source = 0; source < 5; ++source) {
            static const int kSlot[5] = {HV_L, HV_R, HV_C, HV_SL, HV_SR};
            CHVLib::Reset();
            auto out = RunChunks(g_fnx87, 5, Impulse(2 * HP_BLOCK, 0, kSlot[source]), {2 * HP_BLOCK});
            ASSERT_EQ(out.size(), 2 * HP_BLOCK);
            for (int ear = 0; ear < 2; ++ear) {
                const float* h = Taps(flavour, source, ear);
                for (uint32_t i = 0; i < HP_BLOCK; ++i) {
                    ASSERT_NEAR(out[i].f[ear], kOutGain * h[i], kImpulseTolerance) << flavour << source << ear << i;
                    ASSERT_NEAR(out[HP_BLOCK + i].f[ear], 0.0f, kImpulseTolerance) << i;  // the tail was empty
                }
            }
            for (const auto& fr : out)
                for (int slot = 2; slot < 6; ++slot) ASSERT_EQ(fr.f[slot], 0.0f);
        }
    }
}

TEST(HeadphoneConvolution, ImpulseAtTheLastPositionCarriesThroughTheTail) {
    Stage stage;
    auto out = RunChunks(g_fnx87, 5, Impulse(2 * HP_BLOCK, HP_BLOCK - 1, HV_L), {2 * HP_BLOCK});
    for (int ear = 0; ear < 2; ++ear) {
        const float* h = Taps(0, 0, ear);
        for (uint32_t i = 0; i + 1 < HP_BLOCK; ++i) ASSERT_NEAR(out[i].f[ear], 0.0f, kImpulseTolerance) << i;
        EXPECT_NEAR(out[HP_BLOCK - 1].f[ear], kOutGain * h[0], kImpulseTolerance);
        for (uint32_t i = 0; i + 1 < HP_BLOCK; ++i)
            ASSERT_NEAR(out[HP_BLOCK + i].f[ear], kOutGain * h[i + 1], kImpulseTolerance) << i;
        EXPECT_NEAR(out[2 * HP_BLOCK - 1].f[ear], 0.0f, kImpulseTolerance);
    }
}

TEST(HeadphoneConvolution, LfeIsFoldedIntoLeftAndRight) {
    Stage stage;
    auto out = RunChunks(g_fnx87, 6, Impulse(HP_BLOCK, 0, HV_LFE), {HP_BLOCK});
    for (int ear = 0; ear < 2; ++ear)
        for (uint32_t i = 0; i < HP_BLOCK; ++i) {
            const double want = double(kOutGain) * 2.235 * (double(Taps(0, 0, ear)[i]) + Taps(0, 1, ear)[i]);
            ASSERT_NEAR(out[i].f[ear], want, 4 * kImpulseTolerance) << i;
        }
}

TEST(HeadphoneConvolution, ChunksReleaseWholeBlocksAndKeepTheRest) {
    struct Case {
        uint32_t fillBefore, chunk, framesOut, fillAfter;
    };
    const Case cases[] = {{0, 4096, 0, 4096}, {4096, 4096, 8192, 0}, {0, 20000, 16384, 3616},
                          {6000, 4096, 8192, 1904}, {0, 8191, 0, 8191}, {8191, 1, 8192, 0}, {0, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fill " << c.fillBefore << " chunk " << c.chunk);
        Stage stage;
        HVFrames frames;
        if (c.fillBefore) {
            frames.Resize(c.fillBefore, true);
            g_fnx87.ProcessHeadphones(5, frames);
            ASSERT_EQ(g_hpFill, c.fillBefore);
        }
        hptest::FillNoise(frames, c.chunk, 5, 7);
        g_fnx87.ProcessHeadphones(5, frames);
        EXPECT_EQ(frames.m_dwCount, c.framesOut);
        EXPECT_EQ(g_hpFill, c.fillAfter);
    }
}

TEST(HeadphoneConvolution, NoiseMatchesDirectConvolutionAcrossBlockBoundaries) {
    // Six channels (LFE folded), and stereo without pre-decoding; both flavours.
    for (uint32_t code : {6u, 2u})
        for (uint32_t flavour : {0u, 1u}) {
            SCOPED_TRACE(testing::Message() << "code " << code << " flavour " << flavour);
            Stage stage(48000, flavour);
            const auto in = Noise(3 * HP_BLOCK + 100, code, 11 + code + flavour);
            const auto out = RunChunks(g_fnSSE2, code, in, {5000, 9000, 10000, 676});
            ASSERT_EQ(out.size(), 3 * HP_BLOCK);
            // Around both block boundaries, the very start and a spread of others.
            std::vector<uint32_t> at;
            for (uint32_t o = 0; o < 40; ++o) at.push_back(o);
            for (uint32_t b = 1; b < 3; ++b)
                for (uint32_t o = b * HP_BLOCK - 40; o < b * HP_BLOCK + 40; ++o) at.push_back(o);
            for (uint32_t o = 97; o < 3 * HP_BLOCK; o += 611) at.push_back(o);
            double signal = 0.0, error = 0.0;
            for (uint32_t o : at)
                for (int ear = 0; ear < 2; ++ear) {
                    const double ref = hptest::DirectConvolution(in, flavour, ear, o);
                    signal += ref * ref;
                    error += (out[o].f[ear] - ref) * (out[o].f[ear] - ref);
                }
            EXPECT_GT(10.0 * std::log10(signal / error), kMinSnrDb);
        }
}

TEST(HeadphoneConvolution, OutputDoesNotDependOnChunkSizes) {
    const auto in = Noise(3 * HP_BLOCK + 500, 6, 3);
    const uint32_t total = uint32_t(in.size());
    std::vector<HVCHUNK_INTCHUNK> whole, uneven, single;
    {
        Stage stage;
        whole = RunChunks(g_fnx87, 6, in, {total});
    }
    {
        Stage stage;
        uneven = RunChunks(g_fnx87, 6, in, {1, 4095, 6000, 4096, 17, 9000, total - 23209});
    }
    {
        Stage stage;
        single = RunChunks(g_fnx87, 6, in, std::vector<uint32_t>(total, 1));
    }
    ASSERT_EQ(whole.size(), 3 * HP_BLOCK);
    ASSERT_EQ(uneven.size(), whole.size());
    ASSERT_EQ(single.size(), whole.size());
    EXPECT_EQ(std::memcmp(whole.data(), uneven.data(), whole.size() * sizeof(HVCHUNK_INTCHUNK)), 0);
    EXPECT_EQ(std::memcmp(whole.data(), single.data(), whole.size() * sizeof(HVCHUNK_INTCHUNK)), 0);
}

TEST(HeadphoneConvolution, ScalarAndVectorSetsAreBitIdentical) {
    for (uint32_t code : {1u, 2u, 5u, 6u}) {
        SCOPED_TRACE(code);
        const auto in = Noise(2 * HP_BLOCK + 1234, code, 21);
        std::vector<HVCHUNK_INTCHUNK> a, b;
        {
            Stage stage;
            a = RunChunks(g_fnx87, code, in, {3000, 9000, uint32_t(in.size()) - 12000});
        }
        {
            Stage stage;
            b = RunChunks(g_fnSSE2, code, in, {3000, 9000, uint32_t(in.size()) - 12000});
        }
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(HVCHUNK_INTCHUNK)), 0);
    }
}

TEST(HeadphoneConvolution, FlavourSwitchTakesEffectAtTheNextBlock) {
    Stage stage(44100, 0);
    RunChunks(g_fnx87, 5, Impulse(HP_BLOCK, 0, HV_C), {HP_BLOCK});  // Music block, leaves a tail
    stage.cfg.dwHeadphonesMode = 1;
    auto out = RunChunks(g_fnx87, 5, Impulse(HP_BLOCK, 0, HV_C), {HP_BLOCK});
    // The block completed under Movie uses the Movie C response; the Music tail is added once.
    for (uint32_t i = 0; i < HP_BLOCK; ++i)
        ASSERT_NEAR(out[i].f[0], kOutGain * Taps(1, 2, 0)[i], kImpulseTolerance) << i;
}

TEST(HeadphoneConvolution, OtherRatesPassUntouchedAndPrepareNothing) {
    for (uint32_t rate : {32000u, 96000u}) {
        SCOPED_TRACE(rate);
        Stage stage(rate);
        ReleaseHeadphoneFilters();
        HVFrames frames;
        hptest::FillNoise(frames, 5000, 6, 5);
        std::vector<HVCHUNK_INTCHUNK> before(frames.m_pData, frames.m_pData + 5000);
        g_fnSSE2.ProcessHeadphones(6, frames);
        ASSERT_EQ(frames.m_dwCount, 5000u);
        EXPECT_EQ(std::memcmp(frames.m_pData, before.data(), 5000 * sizeof(HVCHUNK_INTCHUNK)), 0);
        EXPECT_EQ(g_hpFill, 0u);
        EXPECT_EQ(g_bHeadphoneInit, 0);
    }
    // Back at a supported rate the stage prepares itself again and works.
    Stage stage(44100);
    auto out = RunChunks(g_fnx87, 5, Impulse(HP_BLOCK, 0, HV_L), {HP_BLOCK});
    EXPECT_EQ(g_bHeadphoneInit, 1);
    EXPECT_NEAR(out[0].f[0], kOutGain * Taps(0, 0, 0)[0], kImpulseTolerance);
}

TEST(HeadphoneConvolution, SteadyStateAllocatesNothing) {
    Stage stage;
    HVFrames frames;
    // Warm up with the largest chunk that will be seen (it completes two blocks).
    hptest::FillNoise(frames, 2 * HP_BLOCK, 6, 1);
    g_fnSSE2.ProcessHeadphones(6, frames);
    const uint64_t before = HVAllocationCount();
    for (uint32_t n : {4096u, 4096u, 1000u, 12000u, 2 * HP_BLOCK, 333u}) {
        hptest::FillNoise(frames, n, 6, n);  // within the buffer's capacity: no allocation
        g_fnSSE2.ProcessHeadphones(6, frames);
        g_fnx87.ProcessHeadphones(6, frames);
    }
    EXPECT_EQ(HVAllocationCount(), before);
}

TEST(HeadphoneConvolution, StereoIsPreDecodedOnlyWhenTheFlavourAsksForIt) {
    const auto in = Noise(HP_BLOCK + 3000, 2, 31);
    const std::vector<uint32_t> chunks = {6000, uint32_t(in.size()) - 6000};
    for (uint32_t flavour : {0u, 1u})
        for (CHVFn* fn : {static_cast<CHVFn*>(&g_fnx87), static_cast<CHVFn*>(&g_fnSSE2)}) {
            SCOPED_TRACE(testing::Message() << "flavour " << flavour);
            std::vector<HVCHUNK_INTCHUNK> decoded, byHand, plain, otherFlag;
            {
                Stage stage(44100, flavour);
                (flavour ? stage.cfg.bHeadphonesDecodeMovie : stage.cfg.bHeadphonesDecodeMusic) = 1;
                decoded = RunChunks(*fn, 2, in, chunks);
            }
            {
                // The same steps by hand: the steered decoder, the headphone delays, then the
                // five channels as they stand.
                Stage stage(44100, flavour);
                (flavour ? stage.cfg.bHeadphonesDecodeMovie : stage.cfg.bHeadphonesDecodeMusic) = 1;
                std::vector<HVCHUNK_INTCHUNK> five;
                HVFrames frames;
                size_t pos = 0;
                for (uint32_t n : chunks) {
                    frames.Resize(n);
                    std::memcpy(frames.m_pData, in.data() + pos, n * sizeof(HVCHUNK_INTCHUNK));
                    pos += n;
                    fn->DecodeActive(frames);
                    fn->DelayChannels(frames, 0);
                    five.insert(five.end(), frames.m_pData, frames.m_pData + frames.m_dwCount);
                }
                stage.cfg.bHeadphonesDecodeMusic = stage.cfg.bHeadphonesDecodeMovie = 0;
                CHVLib::Reset();
                byHand = RunChunks(*fn, 5, five, chunks);
            }
            {
                Stage stage(44100, flavour);
                plain = RunChunks(*fn, 2, in, chunks);
            }
            {
                Stage stage(44100, flavour);  // only the other flavour's flag is set
                (flavour ? stage.cfg.bHeadphonesDecodeMusic : stage.cfg.bHeadphonesDecodeMovie) = 1;
                otherFlag = RunChunks(*fn, 2, in, chunks);
            }
            ASSERT_EQ(decoded.size(), HP_BLOCK);
            ASSERT_EQ(byHand.size(), HP_BLOCK);
            EXPECT_EQ(std::memcmp(decoded.data(), byHand.data(), HP_BLOCK * sizeof(HVCHUNK_INTCHUNK)), 0);
            EXPECT_EQ(std::memcmp(plain.data(), otherFlag.data(), HP_BLOCK * sizeof(HVCHUNK_INTCHUNK)), 0);
            EXPECT_NE(std::memcmp(plain.data(), decoded.data(), HP_BLOCK * sizeof(HVCHUNK_INTCHUNK)), 0);
        }
}
