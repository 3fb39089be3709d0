// HVBuffer<T>: owning, grow-only, 16-byte-aligned array with a ring cursor.
//
// Storage is always 16-byte aligned with 16 spare bytes after the last element, so vector
// code may touch whole 16-byte groups at the end. Buffers grow only when a larger count is
// requested, and then to exactly that count: equal chunk sizes never allocate.
// New storage is zero-filled when it is allocated (never per call).
// Not copyable; owned by value by one holder. Not thread-safe.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "engine/HVChunk.h"

// Aligned allocation of `bytes` (+16 spare already included by the caller), zero-filled.
void* HVAlignedAlloc(size_t bytes);
void HVAlignedFree(void* p);
// Counts every HVAlignedAlloc call; tests use it to prove the audio path does not allocate.
uint64_t HVAllocationCount();

template <typename T>
class HVBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    T* m_pData = nullptr;
    uint32_t m_dwCount = 0;
    uint32_t m_dwCapacity = 0;
    uint32_t m_dwPos = 0;

    constexpr HVBuffer() = default;
    HVBuffer(const HVBuffer&) = delete;
    HVBuffer& operator=(const HVBuffer&) = delete;
    ~HVBuffer() { Free(); }

    // Release the storage and set all four fields to 0.
    void Free() {
        HVAlignedFree(m_pData);
        m_pData = nullptr;
        m_dwCount = m_dwCapacity = m_dwPos = 0;
    }

    // Discarding resize: new storage (old contents lost) only when n exceeds the capacity.
    // Sets the count to n and the cursor to 0. A resize to 0 never allocates.
    void Resize(uint32_t n) {
        if (n > m_dwCapacity) {
            // Drop the old storage first, and forget it: if the allocation below throws,
            // the buffer is left empty rather than pointing at freed memory.
            Free();
            m_pData = static_cast<T*>(HVAlignedAlloc(size_t(n) * sizeof(T) + 16));
            m_dwCapacity = n;
        }
        m_dwCount = n;
        m_dwPos = 0;
    }

    // Discarding resize that also zeroes the first n elements when `clear` is set.
    void Resize(uint32_t n, bool clear) {
        Resize(n);
        if (clear && m_pData) std::memset(static_cast<void*>(m_pData), 0, size_t(n) * sizeof(T));
    }

    // Preserving growth by k elements; the cursor is unchanged. The k new elements are
    // zero (a held-back headphone block is returned as silence, never as stale memory).
    void Extend(uint32_t k) {
        uint32_t m = m_dwCount + k;
        if (m > m_dwCapacity) {
            T* p = static_cast<T*>(HVAlignedAlloc(size_t(m) * sizeof(T) + 16));
            if (m_dwCount) std::memcpy(static_cast<void*>(p), m_pData, size_t(m_dwCount) * sizeof(T));
            HVAlignedFree(m_pData);
            m_pData = p;
            m_dwCapacity = m;
        }
        if (k) std::memset(static_cast<void*>(m_pData + m_dwCount), 0, size_t(k) * sizeof(T));
        m_dwCount = m;
    }

    T& operator[](uint32_t i) { return m_pData[i]; }
    const T& operator[](uint32_t i) const { return m_pData[i]; }
    T* begin() { return m_pData; }
    T* end() { return m_pData + m_dwCount; }
};

using HVFrames = HVBuffer<HVCHUNK_INTCHUNK>;
