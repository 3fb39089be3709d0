#include "engine/HVBuffer.h"

#include <atomic>

namespace {
std::atomic<uint64_t> g_allocations{0};
}

void* HVAlignedAlloc(size_t bytes) {
    // Round up to a multiple of 16 as aligned_alloc requires.
    size_t size = (bytes + 15) & ~size_t(15);
    void* p = std::aligned_alloc(16, size);
    if (!p) throw std::bad_alloc();
    std::memset(p, 0, size);
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void HVAlignedFree(void* p) { std::free(p); }

uint64_t HVAllocationCount() { return g_allocations.load(std::memory_order_relaxed); }
