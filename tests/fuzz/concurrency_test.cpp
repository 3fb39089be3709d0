// Two DSP instances process on two threads while a third thread plays the dialog: it raises
// the reset and recalculation requests and polls the status words on its timer. Built under
// ThreadSanitizer by scripts/test; there it must run without a report.
//
// Every chunk must come back whole: the frame count the mode promises, the layout the mode
// promises, and finite samples (the input is finite noise at most at full scale).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "engine/HVLib.h"
#include "tests/fuzz/DspDriver.h"

namespace {

constexpr uint32_t kChunkFrames = 1024;
constexpr int kChunksPerThread = 300;

struct Job {
    HVLIB_CONFIG cfg;
    uint32_t inChannels;
    uint32_t outChannels;  // what the mode makes of the input layout
    bool keepsLength;      // false where the headphone stage withholds blocks
};

// Frames into and out of both instances together. The headphone stage's unfinished block is
// shared, so one instance's frames may come out of the other's chunk: only the sum is kept.
struct Totals {
    std::atomic<uint64_t> in{0}, out{0};
};

void RunInstance(const Job& job, uint32_t seed, std::atomic<int>& faults, std::atomic<int>& done, Totals& totals) {
    DspDriver dsp(job.cfg);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> in(size_t(kChunkFrames) * job.inChannels);
    DspChunk out;
    for (int i = 0; i < kChunksPerThread; ++i) {
        for (float& v : in) v = noise(rng);
        dsp.Process(in.data(), kChunkFrames, job.inChannels, 44100, out);
        totals.in.fetch_add(kChunkFrames);
        totals.out.fetch_add(out.Frames());
        bool ok = out.channels == job.outChannels && out.rate == 44100 &&
                  out.samples.size() == size_t(out.Frames()) * out.channels &&
                  (!job.keepsLength || out.Frames() == kChunkFrames);
        for (float v : out.samples) ok = ok && std::isfinite(v);
        if (!ok) faults.fetch_add(1);
    }
    done.fetch_add(1);
}

// The dialog's side: raises the two requests and reads what its status line shows, until
// both audio threads are finished.
void RunDialog(std::atomic<int>& done, uint64_t& polls) {
    uint32_t sink = 0;
    while (done.load() < 2) {
        g_bSignalRecalc.store(1);
        if (polls % 7 == 0) g_bSignalReset.store(1);
        sink += g_dwChannels.load() + uint32_t(g_bIsPlaying.load()) + CHVLib::GetSRate();
        ++polls;
        std::this_thread::yield();
    }
    EXPECT_NE(sink, 0xFFFFFFFFu);  // keeps the reads
}

void RunPair(const Job& a, const Job& b) {
    std::atomic<int> faults{0}, done{0};
    Totals totals;
    uint64_t polls = 0;
    g_bSignalReset.store(1);  // nothing held over from an earlier test
    g_bIsPlaying.store(1);
    std::thread t1(RunInstance, std::cref(a), 1u, std::ref(faults), std::ref(done), std::ref(totals));
    std::thread t2(RunInstance, std::cref(b), 2u, std::ref(faults), std::ref(done), std::ref(totals));
    std::thread ui(RunDialog, std::ref(done), std::ref(polls));
    t1.join();
    t2.join();
    ui.join();
    g_bIsPlaying.store(0);
    EXPECT_EQ(faults.load(), 0);
    EXPECT_LE(totals.out.load(), totals.in.load());  // resets may drop held frames, never add
    if (a.keepsLength && b.keepsLength) {
        EXPECT_EQ(totals.out.load(), totals.in.load());
    }
    EXPECT_GT(polls, 0u);
}

HVLIB_CONFIG Config(uint32_t mode, uint32_t sse2, uint32_t redirect = 0) {
    HVLIB_CONFIG c;
    c.dwMode = mode;
    c.bSSE2 = sse2;
    c.bLFERedir = redirect;
    c.dwDelaySL = 15;
    c.nTrimC = -3;
    return c;
}

}  // namespace

TEST(Concurrency, PassiveAndSteeredDecodersOnTwoThreads) {
    RunPair({Config(1, 1, 1), 2, 6, true}, {Config(2, 0), 2, 5, true});
}

// The headphone stage's unfinished block is shared: a non-headphone instance running beside
// a headphone one would receive the sibling's withheld frame count (by design of the shared
// engine), so headphone instances are paired with each other.
TEST(Concurrency, TwoHeadphoneInstancesOnTwoThreads) {
    RunPair({Config(3, 1), 5, 2, false}, {Config(3, 0), 2, 2, false});
}

TEST(Concurrency, EncoderAndBypassWithBothKernelSets) {
    RunPair({Config(4, 1), 6, 2, true}, {Config(0, 0), 5, 5, true});
}
