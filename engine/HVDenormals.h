// Flushes subnormal floats to zero for the lifetime of the guard (audio thread only).
//
// Filter memories that decay after loud input pass through the subnormal range, where
// every operation costs tens to hundreds of cycles on x86, and the recursions can settle
// in subnormal limit cycles instead of reaching 0. With FTZ (results below 2^-126 become 0)
// and DAZ (subnormal operands read as 0) set in MXCSR, only values below 2^-126 (about
// 1.2e-38, 760 dB below full scale) change. The previous mode is restored on exit, so the
// host's own code never sees the change.
#pragma once

#include <xmmintrin.h>

class HVDenormalGuard {
public:
    static constexpr unsigned kFlushToZero = 0x8000;    // MXCSR bit 15
    static constexpr unsigned kDenormalsAreZero = 0x0040;  // MXCSR bit 6

    HVDenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
    ~HVDenormalGuard() { _mm_setcsr(saved_); }
    HVDenormalGuard(const HVDenormalGuard&) = delete;
    HVDenormalGuard& operator=(const HVDenormalGuard&) = delete;

private:
    unsigned saved_;
};
