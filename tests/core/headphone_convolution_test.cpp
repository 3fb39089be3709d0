// The block convolution: impulses, block accounting, agreement with direct convolution,
// chunk-size independence, the other rates, kernel-set equality and allocation.

#include "TestUtil.h"

namespace {

// Single-precision transforms of 16384 points: per-sample error of an impulse response
// against 0.89125 x taps, and the least signal-to-error ratio against direct convolution.
constexpr float kImpulseTolerance = 1e-6f;
constexpr double kMinSnrDb = 115.0;  // measured about 132 dB

// Runs `chunks` (frame counts, cycled) of `in` through the stage and concatenates the output.
FrameVec Render(CHVFn& fn, uint32_t code, const FrameVec& in, const std::vector<uint32_t>& chunks) {
    FrameVec out;
    HVFrames frames;
    for (size_t pos = 0, c = 0; pos < in.size();) {
        const uint32_t n = uint32_t(std::min<size_t>(chunks[c++ % chunks.size()], in.size() - pos));
        Load(frames, &in[pos], n);
        pos += n;
        TestLib().ProcessHeadphones(fn, code, frames);
        out.insert(out.end(), frames.m_pData, frames.m_pData + frames.m_dwCount);
    }
    return out;
}

// The same from a silent stage of its own.
FrameVec Fresh(CHVFn& fn, uint32_t code, const FrameVec& in, const std::vector<uint32_t>& chunks,
               uint32_t rate = 44100, uint32_t flavour = 0) {
    Stage stage(rate, flavour);
    return Render(fn, code, in, chunks);
}

FrameVec Impulse(uint32_t n, uint32_t at, int slot) {
    FrameVec v(n, HVCHUNK_INTCHUNK{});
    v[at].f[slot] = 1.0f;
    return v;
}

// Reference output sample `o` of ear `ear`: 0.89125 x sum over sources of the direct
// convolution of the source (LFE folded in at 2.235) with its response, in double.
double DirectConvolution(const FrameVec& in, int flavour, int ear, uint32_t o) {
    static const int kSlot[5] = {HV_L, HV_R, HV_C, HV_SL, HV_SR};
    double acc = 0.0;
    for (int s = 0; s < 5; ++s) {
        const float* h = Taps(flavour, s, ear);
        for (uint32_t k = 0; k < HP_BLOCK && k <= o; ++k) {
            const auto& f = in[o - k].f;
            acc += (f[kSlot[s]] + (s < 2 ? 2.235 * f[HV_LFE] : 0.0)) * h[k];
        }
    }
    return double(kOutGain) * acc;
}

}  // namespace

// A unit impulse in L after a reset gives 0.89125 x the L taps on each ear and an empty
// tail; one at position 8191 carries into the next block through the tail. (Every other
// response is checked against direct convolution below.)
TEST(HeadphoneConvolution, ImpulsesGiveTheScaledResponses) {
    {
        const FrameVec out = Fresh(TestLib().Scalar(), 5, Impulse(2 * HP_BLOCK, 0, HV_L), {2 * HP_BLOCK});
        ASSERT_EQ(out.size(), 2 * HP_BLOCK);
        for (int ear = 0; ear < 2; ++ear)
            for (uint32_t i = 0; i < HP_BLOCK; ++i) {
                ASSERT_NEAR(out[i].f[ear], kOutGain * Taps(0, 0, ear)[i], kImpulseTolerance) << ear << i;
                ASSERT_NEAR(out[HP_BLOCK + i].f[ear], 0.0f, kImpulseTolerance) << i;
            }
        for (const auto& fr : out)
            for (int slot = 2; slot < 6; ++slot) ASSERT_EQ(fr.f[slot], 0.0f);
    }
    const FrameVec out = Fresh(TestLib().Scalar(), 5, Impulse(2 * HP_BLOCK, HP_BLOCK - 1, HV_L), {2 * HP_BLOCK});
    for (int ear = 0; ear < 2; ++ear) {
        const float* h = Taps(0, 0, ear);
        for (uint32_t i = 0; i < 2 * HP_BLOCK; ++i) {
            const float want =
                i + 1 < HP_BLOCK || i + 1 == 2 * HP_BLOCK ? 0.0f : kOutGain * h[i + 1 - HP_BLOCK];
            ASSERT_NEAR(out[i].f[ear], want, kImpulseTolerance) << i;
        }
    }
}

TEST(HeadphoneConvolution, ChunksReleaseWholeBlocksAndKeepTheRest) {
    struct Case {
        uint32_t fillBefore, chunk, framesOut, fillAfter;
    };
    const Case cases[] = {{0, 4096, 0, 4096},
                          {4096, 4096, 8192, 0},
                          {0, 20000, 16384, 3616},
                          {6000, 4096, 8192, 1904},
                          {0, 8191, 0, 8191},
                          {8191, 1, 8192, 0},
                          {0, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fill " << c.fillBefore << " chunk " << c.chunk);
        Stage stage;
        HVFrames frames;
        if (c.fillBefore) {
            frames.Resize(c.fillBefore, true);
            TestLib().ProcessHeadphones(TestLib().Scalar(), 5, frames);
            ASSERT_EQ(HP().m_fill, c.fillBefore);
        }
        Load(frames, NoiseFrames(c.chunk, 7, 5, 0.5f));
        TestLib().ProcessHeadphones(TestLib().Scalar(), 5, frames);
        EXPECT_EQ(frames.m_dwCount, c.framesOut);
        EXPECT_EQ(HP().m_fill, c.fillAfter);
    }
}

TEST(HeadphoneConvolution, NoiseMatchesDirectConvolutionAcrossBlockBoundaries) {
    // Six channels (LFE folded), and stereo without pre-decoding; both flavours.
    for (uint32_t code : {6u, 2u})
        for (uint32_t flavour : {0u, 1u}) {
            SCOPED_TRACE(testing::Message() << "code " << code << " flavour " << flavour);
            const FrameVec in = NoiseFrames(3 * HP_BLOCK + 100, 11 + code + flavour, code, 0.5f);
            const FrameVec out = Fresh(TestLib().Vector(), code, in, {5000, 9000, 10000, 676}, 48000, flavour);
            ASSERT_EQ(out.size(), 3 * HP_BLOCK);
            // The very start, around both block boundaries, and a spread of others.
            std::vector<uint32_t> at;
            for (uint32_t b = 0; b < 3; ++b)
                for (uint32_t o = b ? b * HP_BLOCK - 40 : 0; o < b * HP_BLOCK + 40; ++o) at.push_back(o);
            for (uint32_t o = 97; o < 3 * HP_BLOCK; o += 611) at.push_back(o);
            double signal = 0.0, error = 0.0;
            for (uint32_t o : at)
                for (int ear = 0; ear < 2; ++ear) {
                    const double ref = DirectConvolution(in, flavour, ear, o);
                    signal += ref * ref;
                    error += (out[o].f[ear] - ref) * (out[o].f[ear] - ref);
                }
            EXPECT_GT(10.0 * std::log10(signal / error), kMinSnrDb);
        }
}

// Whole, uneven and single-frame chunks give the same output bit for bit, and so do the
// scalar and vector sets for every layout.
TEST(HeadphoneConvolution, ChunkSizesAndKernelSetsNeverChangeTheOutput) {
    const FrameVec in = NoiseFrames(3 * HP_BLOCK + 500, 3, 6, 0.5f);
    const FrameVec whole = Fresh(TestLib().Scalar(), 6, in, {uint32_t(in.size())});
    ASSERT_EQ(whole.size(), 3 * HP_BLOCK);
    EXPECT_TRUE(Same(whole, Fresh(TestLib().Scalar(), 6, in, {1, 4095, 6000, 4096, 17, 9000})));
    EXPECT_TRUE(Same(whole, Fresh(TestLib().Scalar(), 6, in, {1})));
    for (uint32_t code : {1u, 2u, 5u, 6u}) {
        const FrameVec in2 = NoiseFrames(2 * HP_BLOCK + 1234, 21, code, 0.5f);
        EXPECT_TRUE(Same(Fresh(TestLib().Scalar(), code, in2, {3000, 9000}), Fresh(TestLib().Vector(), code, in2, {3000, 9000})))
            << code;
    }
}

TEST(HeadphoneConvolution, FlavourSwitchTakesEffectAtTheNextBlock) {
    Stage stage(44100, 0);
    Render(TestLib().Scalar(), 5, Impulse(HP_BLOCK, 0, HV_C), {HP_BLOCK});  // Music block, leaves a tail
    stage.cfg.dwHeadphonesMode = 1;
    const FrameVec out = Render(TestLib().Scalar(), 5, Impulse(HP_BLOCK, 0, HV_C), {HP_BLOCK});
    // The block completed under Movie uses the Movie C response; the Music tail is added once.
    for (uint32_t i = 0; i < HP_BLOCK; ++i)
        ASSERT_NEAR(out[i].f[0], kOutGain * Taps(1, 2, 0)[i], kImpulseTolerance) << i;
}

// Rates the bank was not made for run through the partitioned stage (the bank resampled):
// the stream keeps the block engine's timing (8191 frames owed), the output sounds, and the
// block engine stays unprepared.
TEST(HeadphoneConvolution, OtherRatesRunThePartitionedStage) {
    for (uint32_t rate : {32000u, 96000u}) {
        SCOPED_TRACE(rate);
        Stage stage(rate);
        ReleaseHeadphoneFilters(HP());
        const FrameVec in = NoiseFrames(20000, 5, 6, 0.5f);
        const FrameVec out = Render(TestLib().Vector(), 6, in, {5000});
        ASSERT_EQ(out.size(), 20000u - (HP_BLOCK - 1));
        double energy = 0.0;
        for (const auto& f : out) {
            ASSERT_TRUE(std::isfinite(f.f[0]) && std::isfinite(f.f[1]));
            ASSERT_EQ(f.f[HV_C], 0.0f);
            energy += double(f.f[0]) * f.f[0] + double(f.f[1]) * f.f[1];
        }
        EXPECT_GT(energy, 1.0);
        EXPECT_EQ(TestLib().Partitioned().Held(), HP_BLOCK - 1);
        EXPECT_EQ(HP().m_fill, 0u);
        EXPECT_EQ(HP().m_bInit, 0);
    }
    // Back at a supported rate the block engine prepares itself again and works.
    const FrameVec out = Fresh(TestLib().Scalar(), 5, Impulse(HP_BLOCK, 0, HV_L), {HP_BLOCK});
    EXPECT_EQ(HP().m_bInit, 1);
    EXPECT_NEAR(out[0].f[0], kOutGain * Taps(0, 0, 0)[0], kImpulseTolerance);
}

TEST(HeadphoneConvolution, SteadyStateAllocatesNothing) {
    Stage stage;
    HVFrames frames;
    // Warm up with the largest chunk that will be seen (it completes two blocks).
    Load(frames, NoiseFrames(2 * HP_BLOCK, 1, 6, 0.5f));
    TestLib().ProcessHeadphones(TestLib().Vector(), 6, frames);
    std::vector<FrameVec> inputs;
    for (uint32_t n : {4096u, 4096u, 1000u, 12000u, 2 * HP_BLOCK, 333u})
        inputs.push_back(NoiseFrames(n, n, 6, 0.5f));
    const uint64_t before = HVAllocationCount();
    for (const FrameVec& in : inputs) {
        Load(frames, in);  // within the buffer's capacity: no allocation
        TestLib().ProcessHeadphones(TestLib().Vector(), 6, frames);
        TestLib().ProcessHeadphones(TestLib().Scalar(), 6, frames);
    }
    EXPECT_EQ(HVAllocationCount(), before);
}

// Pre-decoding of stereo equals the steered decoder and the headphone delays run by hand
// in front of the five-channel stage; the other flavour's flag changes nothing.
TEST(HeadphoneConvolution, StereoIsPreDecodedOnlyWhenTheFlavourAsksForIt) {
    const FrameVec in = NoiseFrames(HP_BLOCK + 3000, 31, 2, 0.5f);
    const std::vector<uint32_t> chunks = {6000, uint32_t(in.size()) - 6000};
    for (uint32_t flavour : {0u, 1u})
        for (int s = 0; s < 2; ++s) {
            SCOPED_TRACE(testing::Message() << "flavour " << flavour << " " << SetName(s));
            auto render = [&](bool own, bool other, bool byHand) {
                Stage stage(44100, flavour);
                (flavour ? stage.cfg.bHeadphonesDecodeMovie : stage.cfg.bHeadphonesDecodeMusic) = own;
                (flavour ? stage.cfg.bHeadphonesDecodeMusic : stage.cfg.bHeadphonesDecodeMovie) = other;
                if (!byHand) return Render(Set(s), 2, in, chunks);
                const FrameVec five = RunChunked(in, 0, [&](HVFrames& f) {  // chunking tested elsewhere
                    Set(s).DecodeActive(f);
                    Set(s).DelayChannels(f, 0);
                });
                stage.cfg.bHeadphonesDecodeMusic = stage.cfg.bHeadphonesDecodeMovie = 0;
                TestLib().Reset();
                return Render(Set(s), 5, five, chunks);
            };
            const FrameVec decoded = render(true, false, false), plain = render(false, false, false);
            ASSERT_EQ(decoded.size(), HP_BLOCK);
            EXPECT_TRUE(Same(decoded, render(true, false, true)));
            EXPECT_TRUE(Same(plain, render(false, true, false)));
            EXPECT_FALSE(Same(plain, decoded));
        }
}
