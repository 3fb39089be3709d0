// The convolver allocates in prepare() only: process() and reset() with any chunking, a
// user-length response included, make no C++ allocation. (Kept in this program, which
// counts every operator new; the core tests run without the counter.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

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

}  // namespace
