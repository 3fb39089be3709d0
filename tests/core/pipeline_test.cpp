// The chunk pipeline through the engine's chunk handler: dispatch by mode and layout, bypass transparency, room
// stages, chunk-size independence, the two kernel sets against each other, steady-state
// allocation, and low sample rates.
#include <limits>

#include "TestUtil.h"
#include "engine/HalvaneEngine.h"

namespace {

// Headphone mode on the processor path, so no result depends on a GPU being present.
HVLIB_CONFIG Config(uint32_t mode, bool sse2, bool redirect = false) {
    HVLIB_CONFIG cfg;
    cfg.dwMode = mode, cfg.bSSE2 = sse2, cfg.bLFERedir = redirect, cfg.bCUDA = 0;
    return cfg;
}

// Room settings that exercise every stage: delays on every line, trims, inversion.
HVLIB_CONFIG RoomConfig(bool sse2) {
    HVLIB_CONFIG cfg = Config(1, sse2, true);
    cfg.dwDelayL = 1, cfg.dwDelayR = 2, cfg.dwDelayC = 3, cfg.dwDelaySub = 4, cfg.dwDelaySL = 5,
    cfg.dwDelaySR = 0;
    cfg.dwSurroundDelayMusic = 7;
    cfg.nTrimL = -3, cfg.nTrimC = 2, cfg.nTrimSub = 6, cfg.nTrimSR = -12, cfg.nMasterGain = -2;
    cfg.bLFEInvert = 1;
    return cfg;
}

struct PipelineResult {
    std::vector<float> out;
    uint32_t code = 0;
};

// The chunk handler under test: one engine whose settings and rate StartChain chooses; the
// next chunk after StartChain starts from silence with fresh constants.
halvane::Engine& Chain() {
    static halvane::Engine engine(0, HVLIB_CONFIG{});
    return engine;
}
struct {
    HVLIB_CONFIG cfg;
    uint32_t rate = 44100;
    bool restart = true;
} g_chain;
void StartChain(const HVLIB_CONFIG& cfg, uint32_t rate) { g_chain.cfg = cfg, g_chain.rate = rate, g_chain.restart = true; }

// Interleaved host floats (`ch` channels) through the engine's chunk handler in chunks of the
// given sizes (cycled): the concatenated host output and the last layout code. Layouts the
// engine does not process hand the host chunk back unchanged.
PipelineResult RunPipeline(const std::vector<float>& in, uint32_t ch, const std::vector<uint32_t>& chunks) {
    PipelineResult r;
    const uint32_t total = uint32_t(in.size() / ch);
    for (uint32_t c = 0, done = 0; done < total; ++c) {
        const uint32_t n = std::min(chunks[c % chunks.size()], total - done);
        const halvane::ChunkRequests requests{g_chain.restart, g_chain.restart};
        g_chain.restart = false;
        const halvane::ChunkOutput o =
            Chain().RunChunk(g_chain.cfg, g_chain.rate, in.data() + size_t(done) * ch, ch, n, requests);
        r.code = o.channels;
        r.out.insert(r.out.end(), o.data, o.data + size_t(o.frames) * o.channels);
        done += n;
    }
    return r;
}

}  // namespace

TEST(Pipeline, DispatchTableOfLayoutCodes) {
    for (uint32_t mode = 0; mode <= 4; ++mode)
        for (bool redirect : {false, true})
            for (uint32_t code : {1u, 2u, 3u, 4u, 5u, 6u, 8u}) {
                SCOPED_TRACE(testing::Message()
                             << "mode " << mode << " code " << code << " redirect " << redirect);
                const bool supported = code == 1 || code == 2 || code == 5 || code == 6;
                uint32_t expect = code;  // bypass, and every unsupported code outside headphones
                if ((mode == 1 || mode == 2) && code == 2) expect = redirect ? 6 : 5;
                if ((mode == 1 || mode == 2) && code == 5 && redirect) expect = 6;
                if ((mode == 3 && supported) || (mode == 4 && (code == 5 || code == 6))) expect = 2;
                const HVLIB_CONFIG cfg = Config(mode, true, redirect);
                StartEngine(cfg, 44100);
                const auto in = Noise(size_t(64) * code);
                HVFrames frames;
                EXPECT_EQ(TestLib().ConvertFloatToInternal(code, in.data(), 64, frames), supported);
                EXPECT_EQ(frames.m_dwCount, 64u);
                EXPECT_EQ(TestLib().ProcessChunk(code, frames), expect);
                for (uint32_t i = 0; !supported && mode != 3 && i < 64;
                     ++i)  // silence through the room stages
                    for (int k = 0; k < 6; ++k) ASSERT_EQ(frames[i].f[k], 0.0f);
            }
}

// Bypass hands back infinities, signed zeros, denormals and NaN bit for bit.
TEST(Pipeline, BypassIsBitIdenticalForEveryLayoutAndSet) {
    for (bool sse2 : {false, true})
        for (uint32_t ch : {1u, 2u, 5u, 6u}) {
            SCOPED_TRACE(testing::Message() << "channels " << ch << " sse2 " << sse2);
            HVLIB_CONFIG cfg = Config(0, sse2, true);  // redirection has no effect in bypass
            cfg.nMasterGain = 6, cfg.dwDelayL = 10;
            StartChain(cfg, 44100);
            auto in = Noise(size_t(1023) * ch);
            const float special[] = {
                std::numeric_limits<float>::infinity(),   -std::numeric_limits<float>::infinity(), -0.0f,
                std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::quiet_NaN(), 1e30f};
            for (size_t i = 0; i < 6; ++i) in[i * 7] = special[i];
            const auto r = RunPipeline(in, ch, {1023});
            EXPECT_EQ(r.code, ch);
            ASSERT_EQ(r.out.size(), in.size());
            EXPECT_EQ(std::memcmp(r.out.data(), in.data(), in.size() * sizeof(float)), 0);
        }
}

TEST(Pipeline, PassiveStereoAndUndecodedLayouts) {
    for (bool sse2 : {false, true}) {
        SCOPED_TRACE(sse2 ? "SSE2" : "scalar");
        HVLIB_CONFIG cfg = Config(1, sse2);
        StartChain(cfg, 44100);
        // Passive stereo through conversion and output: the five-channel matrix.
        auto r = RunPipeline({1, -1}, 2, {1});
        EXPECT_EQ(r.code, 5u);
        EXPECT_EQ(r.out, (std::vector<float>{0.707f, -0.707f, 0, 1, 1}));

        // Six channels and mono get the room stages only: -6, 0, +6 dB trims, SL -12 dB.
        cfg.nTrimL = -6, cfg.nTrimC = 6, cfg.nTrimSL = -12;
        StartChain(cfg, 48000);
        r = RunPipeline({1, 1, 1, 1, 1, 1}, 6, {1});
        EXPECT_EQ(r.code, 6u);
        EXPECT_NEAR(r.out[0], 0.501187f, 1e-6f);
        EXPECT_EQ(r.out[1], 1.0f);
        EXPECT_NEAR(r.out[2], 1.995262f, 2e-6f);
        EXPECT_NEAR(r.out[4], 0.251189f, 1e-6f);
        r = RunPipeline({0.5f}, 1, {1});
        EXPECT_EQ(r.code, 1u);
        EXPECT_NEAR(r.out[0], 0.5f * 1.995262f, 2e-6f);

        // Five channels with redirection gain an LFE channel; silent fronts put nothing in it.
        cfg.bLFERedir = 1;
        StartChain(cfg, 48000);
        r = RunPipeline({0, 0, 0, 1, 1}, 5, {1});
        EXPECT_EQ(r.code, 6u);
        EXPECT_EQ(r.out[3], 0.0f);
    }
}

// The same stream cut into different chunks gives the same output bit for bit: filter
// memories and delay lines persist across chunks. A flush restarts them from silence.
TEST(Pipeline, OutputDoesNotDependOnChunkSizeAndResetRestarts) {
    const auto in = Noise(2 * 5000, 0.8f);
    for (bool sse2 : {false, true}) {
        SCOPED_TRACE(sse2 ? "SSE2" : "scalar");
        const HVLIB_CONFIG cfg = RoomConfig(sse2);
        StartChain(cfg, 44100);
        const auto whole = RunPipeline(in, 2, {5000});
        const auto carried = RunPipeline(in, 2, {5000});
        StartChain(cfg, 44100);
        const auto single = RunPipeline(in, 2, {1});
        g_chain.restart = true;
        const auto uneven = RunPipeline(in, 2, {1, 7, 333, 64, 1000, 2, 4096});
        ASSERT_EQ(whole.code, 6u);
        ASSERT_EQ(whole.out.size(), size_t(6) * 5000);
        EXPECT_TRUE(whole.out == single.out);
        EXPECT_TRUE(whole.out == uneven.out);
        EXPECT_FALSE(whole.out == carried.out);  // history carried over without a reset
        // The delays are there: L (1 ms = 44 samples) starts silent.
        for (int i = 0; i < 44; ++i) ASSERT_EQ(whole.out[size_t(i) * 6], 0.0f);
        EXPECT_NE(whole.out[size_t(44) * 6], 0.0f);
    }
}

// Equal chunks in steady state allocate nothing: not the conversions, the kernels, the
// delay lines nor the output buffers.
TEST(Pipeline, SteadyStateChunksAllocateNothing) {
    for (bool sse2 : {false, true}) {
        SCOPED_TRACE(sse2 ? "SSE2" : "scalar");
        const HVLIB_CONFIG cfg = RoomConfig(sse2);
        StartChain(cfg, 44100);
        const auto in = Noise(2 * 4096);
        auto chunk = [&] { ASSERT_EQ(RunPipeline(in, 2, {4096}).code, 6u); };
        chunk();
        const uint64_t before = HVAllocationCount();
        for (int i = 0; i < 50; ++i) chunk();
        EXPECT_EQ(HVAllocationCount(), before);
    }
}

// Low sample rates put the 7 kHz filters at or above half the rate; every mode must stay
// finite on loud material, in both kernel sets.
TEST(Pipeline, LowRatesStayFiniteInEveryMode) {
    for (uint32_t fs : {8000u, 11025u})
        for (bool sse2 : {false, true})
            for (uint32_t mode = 0; mode <= 4; ++mode)
                for (uint32_t ch : {1u, 2u, 5u, 6u}) {
                    SCOPED_TRACE(testing::Message()
                                 << fs << " Hz mode " << mode << " ch " << ch << " sse2 " << sse2);
                    HVLIB_CONFIG cfg = Config(mode, sse2, true);
                    cfg.bMusicSurroundShelf = 1;
                    cfg.dwLFECutoff = 200;
                    StartChain(cfg, fs);
                    std::vector<float> in = Noise(size_t(fs) * ch, 0.5f);  // one second
                    for (size_t i = 0; i < in.size(); ++i)
                        in[i] += 0.5f * float(std::sin(2 * M_PI * 0.49 * double(i / ch) + double(i % ch)));
                    for (float x : RunPipeline(in, ch, {1024}).out) ASSERT_TRUE(std::isfinite(x));
                }
}
