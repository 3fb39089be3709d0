// FuzzBytes: reads typed values from the front of a fuzz input, never past its end.
// An exhausted input yields zeros, so every input, however short, decodes to something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

class FuzzBytes {
public:
    FuzzBytes(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}

    size_t Left() const { return m_n; }
    uint8_t Byte() { return m_n ? (--m_n, *m_p++) : 0; }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
        return v;
    }
    // Copies up to n bytes, zero-filling what the input no longer holds.
    void Bytes(void* dst, size_t n) {
        const size_t k = n < m_n ? n : m_n;
        if (k) std::memcpy(dst, m_p, k);
        if (n > k) std::memset(static_cast<uint8_t*>(dst) + k, 0, n - k);
        m_p += k;
        m_n -= k;
    }
    template <typename T, size_t N>
    const T& Pick(const T (&table)[N]) {
        return table[Byte() % N];
    }

private:
    const uint8_t* m_p;
    size_t m_n;
};

// A finding: says what was violated and aborts, so that libFuzzer keeps the input.
inline void FuzzCheck(bool ok, const char* what, long long a = 0, long long b = 0) {
    if (ok) return;
    std::fprintf(stderr, "fuzz: %s (%lld, %lld)\n", what, a, b);
    std::abort();
}
