// The command-line host's render keeps the length of the input in every mode: what the DSP
// holds back (the headphone stage releases whole 8192-frame blocks) is flushed out with
// silence and the surplus cut. Every mode, both kernel sets, every layout (an unsupported
// one too), lengths around the block size, chunk sizes from 1 frame up.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/FrameStream.h"
#include "app/PlaybackEvents.h"
#include "app/RenderPipeline.h"
#include "host/dsp_halvane_params.h"
#include "sdk/component_client.h"
#include "sdk/service_enum.h"

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);

namespace {

constexpr uint64_t kMaxHeld = 8191;  // frames the headphone stage may hold at the end

service_ptr_t<dsp_v2> Instance(uint32_t mode, uint32_t sse2) {
    foobar2000_client* client = foobar2000_get_interface(nullptr, nullptr);
    service_ptr_t<dsp_entry_v2> entry;
    EXPECT_TRUE(find_dsp_entry(client->get_service_list(), HALVANE_GUID, entry));
    t_dsp_halvane_params p = t_dsp_halvane_params::g_default();
    p.m_config.dwMode = mode;
    p.m_config.bSSE2 = sse2;
    p.m_config.bCUDA = 0;
    p.m_config.bLFERedir = mode % 2;
    p.m_config.dwDelayL = 30;
    dsp_preset_impl preset;
    p.get_data(preset);
    service_ptr_t<dsp> d;
    service_ptr_t<dsp_v2> v2;
    EXPECT_TRUE(entry->instantiate(d, preset) && d->service_query_t(v2));
    return v2;
}

struct Render {
    uint64_t framesOut;
    RenderResult result;
};

Render RenderStream(uint32_t mode, uint32_t sse2, unsigned channels, uint64_t frames, uint64_t chunk, bool raw,
           std::mt19937& rng) {
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> samples(size_t(frames * channels));
    for (float& v : samples) v = noise(rng);
    static const uint32_t kMask[7] = {0, 4, 3, 7, 51, 55, 63};
    MemorySource source(samples, channels, 44100, kMask[channels]);
    MemorySink sink;
    PlaybackEvents playback(foobar2000_get_interface(nullptr, nullptr)->get_service_list());
    RenderOptions options;
    options.chunkFrames = chunk;
    options.raw = raw;
    service_ptr_t<dsp_v2> dsp = Instance(mode, sse2);
    Render r{0, RenderThroughDsp(*dsp.get_ptr(), playback, source, sink, options)};
    r.framesOut = sink.channels ? sink.samples.size() / sink.channels : 0;
    EXPECT_EQ(sink.samples.size() % (sink.channels ? sink.channels : 1), 0u);
    return r;
}

class RenderLength : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RenderLength, DefaultRenderReturnsExactlyTheInputFrames) {
    const uint32_t mode = GetParam();
    std::mt19937 rng(500 + mode);
    const uint64_t lengths[] = {0, 1, 2, 4095, 8191, 8192, 8193, 16384 + 77};
    const uint64_t chunks[] = {4096, 1000, 8192, 9000, 333};
    for (uint32_t sse2 = 0; sse2 < 2; ++sse2)
        for (unsigned channels : {1u, 2u, 5u, 6u, 3u})
            for (uint64_t frames : lengths) {
                const uint64_t chunk = chunks[rng() % std::size(chunks)];
                const Render r = RenderStream(mode, sse2, channels, frames, chunk, false, rng);
                EXPECT_EQ(r.framesOut, frames) << "sse2 " << sse2 << " layout " << channels << " chunk " << chunk;
                EXPECT_EQ(r.result.inputFrames, frames);
            }
}

TEST_P(RenderLength, TinyChunksAndRandomLengths) {
    const uint32_t mode = GetParam();
    std::mt19937 rng(600 + mode);
    for (int i = 0; i < 6; ++i) {
        static const unsigned kLayouts[] = {1, 2, 5, 6};
        const unsigned channels = kLayouts[rng() % 4];
        const uint64_t chunk = i < 2 ? 1 + rng() % 3 : 1 + rng() % 12000;
        const uint64_t frames = i < 2 ? rng() % 3000 : rng() % 60000;
        const Render r = RenderStream(mode, i % 2, channels, frames, chunk, false, rng);
        EXPECT_EQ(r.framesOut, frames) << "layout " << channels << " chunk " << chunk;
    }
}

// Raw renders hand back what the DSP gave: never more than went in, and short by no more
// than one unfinished headphone block.
TEST_P(RenderLength, RawRenderLosesAtMostTheHeldBlock) {
    const uint32_t mode = GetParam();
    std::mt19937 rng(700 + mode);
    for (unsigned channels : {1u, 2u, 5u, 6u}) {
        const uint64_t frames = 20000 + rng() % 20000;
        const Render r = RenderStream(mode, 1, channels, frames, 4096, true, rng);
        EXPECT_LE(r.framesOut, frames);
        EXPECT_LE(frames - r.framesOut, mode == 3 ? kMaxHeld : 0u) << "layout " << channels;
    }
}

std::string ModeName(const ::testing::TestParamInfo<uint32_t>& info) {
    static const char* const kNames[] = {"Bypass", "Passive", "Steered", "Headphone", "Encoder"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryMode, RenderLength, ::testing::Range(0u, 5u), ModeName);

}  // namespace
