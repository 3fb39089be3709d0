// Invariants over long randomised runs, every mode and both kernel sets, deterministic seeds:
//  - finite input within full scale never produces NaN or Inf, whatever the settings, rate
//    and chunking;
//  - the frames handed back over a stream equal the frames received (the host pads silence
//    at the end to release what the headphone stage holds, then trims);
//  - once warmed up, equal chunks allocate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <vector>

#include "engine/HVBuffer.h"
#include "engine/HVLib.h"
#include "host/halvane_engine.h"
#include "host/driver/DspDriver.h"
#include "tests/fuzz/WordRanges.h"

// Every C++ allocation of this program is counted, beside the engine's own aligned buffers.
// (GCC cannot see that this operator new is the malloc it pairs with free below.)
namespace {
std::atomic<uint64_t> g_news{0};
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t n) {
    g_news.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

constexpr uint32_t kModes = 5;
constexpr uint32_t kLayouts[] = {1, 2, 5, 6};
constexpr uint32_t kRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 96000, 192000, 384000};

// Settings drawn over each word's whole repaired range, the extremes more often than not.
HVLIB_CONFIG RandomConfig(std::mt19937& rng, uint32_t mode, uint32_t sse2) {
    HVLIB_CONFIG c;
    for (int w = 1; w < kHVConfigWords; ++w) {
        const WordRange r = kWordRanges[w];
        const uint32_t k = rng() % 4;
        const int64_t v = k == 0 ? r.lo : k == 1 ? r.hi : r.lo + int64_t(rng() % (r.hi - r.lo + 1));
        HVSetConfigWord(c, w, uint32_t(v));
    }
    c.dwMode = mode;
    c.bSSE2 = sse2;
    c.bCUDA = 0;
    return c;
}

// Hard material for filters and the steered decoder: full-scale noise, full-scale square
// waves and DC (largest filter overshoot), a tone near the Nyquist frequency, one channel
// only, antiphase, subnormal values and silence.
void FillSignal(std::mt19937& rng, int kind, uint32_t channels, uint32_t frames, uint64_t t0,
                std::vector<float>& buf) {
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    buf.resize(size_t(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        const uint64_t t = t0 + i;
        for (uint32_t c = 0; c < channels; ++c) {
            float v = 0.0f;
            switch (kind) {
                case 0: v = noise(rng); break;
                case 1: v = (t / 37) % 2 ? 1.0f : -1.0f; break;
                case 2: v = 1.0f; break;
                case 3: v = float(std::sin(3.0 * double(t))); break;
                case 4: v = c == 0 ? noise(rng) : 0.0f; break;
                case 5: v = c % 2 ? -1.0f : 1.0f; break;
                case 6: v = (t % 2 ? 1.0f : -1.0f) * 1e-40f; break;
                default: v = 0.0f; break;
            }
            buf[size_t(i) * channels + c] = v;
        }
    }
}

class Invariants : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override { g_bSignalReset.store(1); }
};

// Random settings, rates, signals and chunk sizes, with flushes and recalculations between
// chunks. Every chunk must come out finite.
TEST_P(Invariants, FiniteInputWithinFullScaleStaysFinite) {
    const uint32_t mode = GetParam();
    std::mt19937 rng(1000 + mode);
    std::vector<float> in;
    DspChunk out;
    for (int run = 0; run < 120; ++run) {
        const uint32_t sse2 = run % 2;
        DspDriver dsp(RandomConfig(rng, mode, sse2));
        const uint32_t channels = kLayouts[rng() % 4];
        const uint32_t rate = kRates[rng() % std::size(kRates)];
        const int kind = int(rng() % 8);
        uint64_t t = 0;
        for (int chunk = 0; chunk < 12; ++chunk) {
            const uint32_t frames = rng() % 3 ? 1 + rng() % 6000 : 1 + rng() % 3;
            if (rng() % 16 == 0) dsp.Flush();
            if (rng() % 16 == 0) g_bSignalRecalc.store(1);
            FillSignal(rng, kind, channels, frames, t, in);
            t += frames;
            dsp.Process(in.data(), frames, channels, rate, out);
            ASSERT_TRUE(out.AllFinite()) << "sse2 " << sse2 << " layout " << channels << " rate " << rate
                                         << " signal " << kind << " run " << run << " chunk " << chunk;
        }
    }
}

// A long stream, the instance replaced by one of another mode now and then without a flush
// (as when the dialog publishes a preset during playback). After every chunk the frames
// still owed to the host are exactly the ones the headphone stage holds; once the stream
// ends, silence releases them, so the host can pad and trim to the input's length.
TEST_P(Invariants, StreamLengthIsKeptAcrossModeChanges) {
    const uint32_t first = GetParam();
    std::mt19937 rng(2000 + first);
    std::vector<float> in;
    DspChunk out;
    for (uint32_t sse2 = 0; sse2 < 2; ++sse2) {
        g_bSignalReset.store(1);
        auto dsp = std::make_unique<DspDriver>(RandomConfig(rng, first, sse2));
        const uint32_t channels = kLayouts[rng() % 4];
        uint64_t framesIn = 0, framesOut = 0;
        for (int chunk = 0; chunk < 60; ++chunk) {
            if (rng() % 5 == 0) dsp = std::make_unique<DspDriver>(RandomConfig(rng, rng() % kModes, sse2));
            const uint32_t frames = rng() % 4 ? 1 + rng() % 9000 : rng() % 3;
            FillSignal(rng, 0, channels, frames, framesIn, in);
            dsp->Process(in.data(), frames, channels, 44100, out);
            framesIn += frames;
            framesOut += out.Frames();
            ASSERT_EQ(framesIn - framesOut, uint64_t(g_hvlib.Core().HeadphoneFill())) << "sse2 " << sse2 << " chunk " << chunk;
        }
        // End of stream: silence until the output has caught up, then trim.
        std::vector<float> silence(size_t(4096) * channels, 0.0f);
        int pads = 0;
        for (; framesOut < framesIn && pads < 8; ++pads) {
            dsp->Process(silence.data(), 4096, channels, 44100, out);
            framesOut += out.Frames();
        }
        EXPECT_GE(framesOut, framesIn) << "sse2 " << sse2;
        EXPECT_LE(pads, 2) << "a withheld block is at most 8191 frames";
    }
}

// After warm-up, many equal chunks allocate nothing, in every layout and both kernel sets,
// with every room stage on.
TEST_P(Invariants, SteadyStateAllocatesNothing) {
    const uint32_t mode = GetParam();
    std::mt19937 rng(3000 + mode);
    std::vector<float> in;
    DspChunk out;
    for (uint32_t sse2 = 0; sse2 < 2; ++sse2) {
        for (uint32_t channels : kLayouts) {
            HVLIB_CONFIG cfg = RandomConfig(rng, mode, sse2);
            cfg.bLFERedir = 1;
            cfg.dwDelayL = cfg.dwDelaySR = 40;
            g_bSignalReset.store(1);
            DspDriver dsp(cfg);
            FillSignal(rng, 0, channels, 2048, 0, in);
            for (int i = 0; i < 12; ++i) dsp.Process(in.data(), 2048, channels, 44100, out);
            const uint64_t aligned = HVAllocationCount(), news = g_news.load();
            for (int i = 0; i < 40; ++i) dsp.Process(in.data(), 2048, channels, 44100, out);
            EXPECT_EQ(HVAllocationCount() - aligned + g_news.load() - news, 0u)
                << "sse2 " << sse2 << " layout " << channels;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, Invariants, ::testing::Range(0u, kModes),
                         [](const auto& info) { return std::string(kModeNames[info.param]); });

}  // namespace
