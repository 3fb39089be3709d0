#include "engine/HVBuffer.h"

#include <atomic>

namespace {
std::atomic<uint64_t> g_allocations{0};
}

void* HVAlignedAlloc(size_t bytes) {
    // Cache-line alignment (more than the 16 bytes the vector code needs): where a buffer
    // starts relative to a cache line then never changes how fast it is streamed through.
    // aligned_alloc wants a multiple of the alignment.
    size_t size = (bytes + 63) & ~size_t(63);
    void* p = std::aligned_alloc(64, size);
    if (!p) throw std::bad_alloc();
    std::memset(p, 0, size);
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void HVAlignedFree(void* p) { std::free(p); }

uint64_t HVAllocationCount() { return g_allocations.load(std::memory_order_relaxed); }
