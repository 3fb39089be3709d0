// The command-line host's render keeps the length of the input in every mode: what the DSP
// holds back (the headphone stage releases whole 8192-frame blocks) is flushed out with
// silence and the surplus cut. Every mode, both kernel sets, every layout (an unsupported
// one too), lengths around the block size, chunk sizes from 1 frame up.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/FrameStream.h"
#include "app/PlaybackEvents.h"
#include "app/RenderPipeline.h"
#include "host/driver/ModuleServices.h"
#include "tests/fuzz/WordRanges.h"

namespace {

constexpr uint64_t kMaxHeld = 8191;  // frames the headphone stage may hold at the end

// Renders `frames` frames of noise in host chunks of `chunk` frames; the frames written.
uint64_t RenderNoise(uint32_t mode, uint32_t sse2, unsigned channels, uint64_t frames, uint64_t chunk,
                     bool raw, std::mt19937& rng) {
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> samples(size_t(frames * channels));
    for (float& v : samples) v = noise(rng);
    static const uint32_t kMask[7] = {0, 4, 3, 7, 51, 55, 63};
    MemorySource source(samples, channels, 44100, kMask[channels]);
    MemorySink sink;
    PlaybackEvents playback(ModuleClient()->get_service_list());
    RenderOptions options;
    options.chunkFrames = chunk;
    options.raw = raw;
    const HVLIB_CONFIG cfg{.dwMode = mode, .dwDelayL = 30, .bLFERedir = mode % 2, .bSSE2 = sse2, .bCUDA = 0};
    const RenderResult r = RenderThroughDsp(*NewDsp(cfg).get_ptr(), playback, source, sink, options);
    const uint64_t written = sink.channels ? sink.samples.size() / sink.channels : 0;
    EXPECT_EQ(sink.samples.size(), written * sink.channels) << "ragged output";
    EXPECT_EQ(r.inputFrames, frames);
    EXPECT_EQ(r.outputFrames, written);
    return written;
}

class RenderLength : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RenderLength, DefaultRenderReturnsExactlyTheInputFrames) {
    std::mt19937 rng(500 + GetParam());
    // {frames, chunk}: lengths around the block, chunks of one frame up to more than a block.
    const uint64_t kCases[][2] = {{0, 4096},    {1, 1},      {2, 4096},     {4095, 1000},  {8191, 8192},
                                  {8192, 333},  {8193, 9000}, {16461, 4096}, {2999, 2},     {45001, 11999}};
    for (uint32_t sse2 = 0; sse2 < 2; ++sse2)
        for (unsigned channels : {1u, 2u, 5u, 6u, 3u})
            for (const auto& c : kCases)
                EXPECT_EQ(RenderNoise(GetParam(), sse2, channels, c[0], c[1], false, rng), c[0])
                    << "sse2 " << sse2 << " layout " << channels << " chunk " << c[1];
}

// Raw renders hand back what the DSP gave: never more than went in, and short by no more
// than one unfinished headphone block.
TEST_P(RenderLength, RawRenderLosesAtMostTheHeldBlock) {
    std::mt19937 rng(700 + GetParam());
    for (unsigned channels : {1u, 2u, 5u, 6u}) {
        const uint64_t frames = 20000 + rng() % 20000;
        const uint64_t written = RenderNoise(GetParam(), 1, channels, frames, 4096, true, rng);
        EXPECT_LE(written, frames);
        EXPECT_LE(frames - written, GetParam() == 3 ? kMaxHeld : 0u) << "layout " << channels;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, RenderLength, ::testing::Range(0u, 5u),
                         [](const auto& info) { return std::string(kModeNames[info.param]); });

}  // namespace
