// The convolver allocates in prepare() only: process() and reset() with any chunking, a
// user-length response included, make no C++ allocation; nor does a prepared streaming
// engine in headphone mode on the partitioned path. (Kept in this program, which
// counts every operator new; the core tests run without the counter.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "engine/HalvaneEngine.h"
#include "headphone/HrirSet.h"
#include "headphone/PartitionedConvolver.h"

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
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

TEST(PartitionedConvolverAllocation, ProcessAndResetAllocateNothing) {
    HrirSet set;
    set.rate = 48000.0;
    for (auto& sp : set.taps)
        for (auto& h : sp) h.assign(20000, 0.001f);
    const auto responses = set.convolverResponses();
    std::vector<float> x(20000, 0.1f), l(20000), r(20000);
    const float* in[HrirSet::kSpeakers] = {x.data(), x.data(), x.data(), x.data(), x.data()};
    for (uint32_t block : {64u, 512u, 8192u}) {
        PartitionedConvolver pc;
        pc.prepare(block, HrirSet::kSpeakers, responses);
        const uint64_t before = g_news.load();
        for (uint32_t n : {1u, 17u, 4096u, 9000u, 20000u}) pc.process(in, 1, l.data(), r.data(), 1, n);
        pc.reset();
        pc.process(in, 1, l.data(), r.data(), 1, 20000);
        EXPECT_EQ(g_news.load(), before) << "block " << block;
    }
}

// A prepared engine on the partitioned path (user responses at another rate, the resampled
// built-in bank) streams, switches flavour and mode and flushes without allocating.
TEST(PartitionedConvolverAllocation, PreparedHeadphoneEngineAllocatesNothing) {
    HrirSet user;
    user.rate = 44100.0;
    for (auto& sp : user.taps)
        for (auto& h : sp) h.assign(3000, 0.001f);
    for (int k = 0; k < 2; ++k) {
        HVLIB_CONFIG cfg;
        cfg.dwMode = 3, cfg.bCUDA = 0;
        halvane::Engine e(k == 0 ? 96000 : 22050, cfg);
        if (k == 0) {
            ASSERT_TRUE(e.SetHeadphoneResponses(user));
            ASSERT_TRUE(e.SetHeadphoneBlock(256));
        }
        e.Prepare(1024, 6);
        std::vector<float> in(size_t(9000) * 6, 0.1f), out(size_t(9000) * 2);
        const uint64_t before = g_news.load();
        for (int round = 0; round < 6; ++round) {
            cfg.dwHeadphonesMode = uint32_t(round % 2);
            cfg.dwMode = round == 3 ? 2 : 3;
            e.SetSettings(cfg);
            if (round == 4) e.Flush();
            for (uint32_t n : {1u, 9000u, 64u, 4097u, 3u}) e.ProcessInterleaved(in.data(), 6, out.data(), 2, n);
        }
        EXPECT_EQ(g_news.load(), before) << k;
    }
}

}  // namespace
