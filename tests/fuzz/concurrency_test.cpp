// Two DSP instances process on two threads while a third thread plays the dialog: it raises
// the reset and recalculation requests and polls the status words on its timer. Built under
// ThreadSanitizer by scripts/test; there it must run without a report.
//
// Every chunk must come back whole: the frame count the mode promises, the layout the mode
// promises, and finite samples (the input is finite noise at most at full scale).
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "engine/HalvaneEngine.h"
#include "host/halvane_engine.h"
#include "host/driver/DspDriver.h"

namespace {

constexpr uint32_t kChunkFrames = 1024;
constexpr int kChunksPerThread = 300;

struct Job {
    uint32_t mode, sse2, inChannels;
    uint32_t outChannels;  // what the mode makes of the input layout
    bool keepsLength;      // false where the headphone stage withholds blocks
};

// Frames into and out of both instances together: the headphone stage's unfinished block is
// shared, so one instance's frames may come out of the other's chunk.
struct Shared {
    std::atomic<uint64_t> in{0}, out{0};
    std::atomic<int> faults{0}, done{0};
};

void RunInstance(const Job& job, uint32_t seed, Shared& s) {
    DspDriver dsp(
        {.dwMode = job.mode, .dwDelaySL = 15, .nTrimC = -3, .bLFERedir = job.mode == 1, .bSSE2 = job.sse2});
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> in(size_t(kChunkFrames) * job.inChannels);
    DspChunk out;
    for (int i = 0; i < kChunksPerThread; ++i) {
        for (float& v : in) v = noise(rng);
        dsp.Process(in.data(), kChunkFrames, job.inChannels, 44100, out);
        s.in += kChunkFrames;
        s.out += out.Frames();
        const bool ok = out.channels == job.outChannels && out.rate == 44100 &&
                        out.samples.size() == size_t(out.Frames()) * out.channels &&
                        (!job.keepsLength || out.Frames() == kChunkFrames) && out.AllFinite();
        s.faults += !ok;
    }
    ++s.done;
}

void RunPair(const Job& a, const Job& b) {
    Shared s;
    uint64_t polls = 0;
    g_bSignalReset.store(1);  // nothing held over from an earlier test
    g_bIsPlaying.store(1);
    std::thread t1(RunInstance, std::cref(a), 1u, std::ref(s));
    std::thread t2(RunInstance, std::cref(b), 2u, std::ref(s));
    // The dialog's side, until both audio threads are finished.
    uint32_t shown = 0;
    for (; s.done.load() < 2; ++polls) {
        g_bSignalRecalc.store(1);
        if (polls % 7 == 0) g_bSignalReset.store(1);
        shown += g_dwChannels.load() + uint32_t(g_bIsPlaying.load()) + g_hvlib.LastSampleRate();
        std::this_thread::yield();
    }
    t1.join();
    t2.join();
    g_bIsPlaying.store(0);
    EXPECT_NE(shown, 0xFFFFFFFFu);  // keeps the reads
    EXPECT_GT(polls, 0u);
    EXPECT_EQ(s.faults.load(), 0);
    EXPECT_LE(s.out.load(), s.in.load());  // resets may drop held frames, never add
    if (a.keepsLength && b.keepsLength) {
        EXPECT_EQ(s.out.load(), s.in.load());
    }
}

}  // namespace

TEST(Concurrency, PassiveAndSteeredDecodersOnTwoThreads) { RunPair({1, 1, 2, 6, true}, {2, 0, 2, 5, true}); }

// A non-headphone instance running beside a headphone one would receive the sibling's
// withheld frame count (the unfinished block is shared), so headphone instances are paired
// with each other.
TEST(Concurrency, TwoHeadphoneInstancesOnTwoThreads) { RunPair({3, 1, 5, 2, false}, {3, 0, 2, 2, false}); }

TEST(Concurrency, EncoderAndBypassWithBothKernelSets) { RunPair({4, 1, 6, 2, true}, {0, 0, 5, 5, true}); }

// Streams of the public engine on two threads at once: each gives exactly what it gives when
// it runs alone (no state is shared between engines).
namespace {
std::vector<float> RunStream(const HVLIB_CONFIG& cfg, uint32_t inCh, const std::vector<float>& in) {
    halvane::Engine e(44100, cfg);
    const uint32_t frames = uint32_t(in.size() / inCh);
    std::vector<float> out(size_t(frames) * 2);
    for (uint32_t at = 0, i = 0; at < frames; ++i) {
        const uint32_t n = std::min<uint32_t>(frames - at, 1 + (i * 733) % 3000);
        e.ProcessInterleaved(&in[size_t(at) * inCh], inCh, &out[size_t(at) * 2], 2, n);
        at += n;
    }
    return out;
}
}  // namespace

TEST(Concurrency, TwoEnginesOnTwoThreadsEqualTheirRunsAlone) {
    HVLIB_CONFIG headphone{.dwMode = 3, .bCUDA = 0}, steered{.dwMode = 2, .bLFERedir = 1, .bSSE2 = 0};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> in6(size_t(6) * 40000), in2(size_t(2) * 40000);
    for (float& v : in6) v = noise(rng);
    for (float& v : in2) v = noise(rng);
    const std::vector<float> alone6 = RunStream(headphone, 6, in6), alone2 = RunStream(steered, 2, in2);
    std::vector<float> par6, par2;
    std::thread t1([&] { par6 = RunStream(headphone, 6, in6); });
    std::thread t2([&] { par2 = RunStream(steered, 2, in2); });
    t1.join();
    t2.join();
    EXPECT_TRUE(par6 == alone6);
    EXPECT_TRUE(par2 == alone2);
}
