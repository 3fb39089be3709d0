// Butterworth design of the second-order sections (pure functions, no filter state).
#include <cmath>

#include "kernels/Biquad.h"

namespace {
// Single-precision constants used in double arithmetic, as the design expects.
constexpr double kPi = double(3.1415927f);
constexpr double kSqrt2 = double(1.4142135f);
}  // namespace

BiquadCoeffs DesignButterworth(float freq, bool highPass, uint32_t fs) {
    const double rate = double(fs);
    if (double(freq) >= rate * 0.5) freq = float(rate * 0.45);
    const float t = float(double(freq) * kPi / rate);
    BiquadCoeffs c{};
    if (highPass) {
        c.K = float(std::tan(double(t)));
    } else {
        const float tn = float(std::tan(double(t)));
        c.K = float(1.0 / double(tn));
    }
    const double K = c.K;
    const float norm = float(1.0 / (kSqrt2 * K + 1.0 + K * K));
    const double n = norm;
    c.b0 = norm;
    if (highPass) {
        c.b1 = float(-2.0 * n);
        c.a1 = float(2.0 * (K * K - 1.0) * n);
    } else {
        c.b1 = float(2.0 * n);
        c.a1 = float(2.0 * (1.0 - K * K) * n);
    }
    c.a2 = float((K * K - kSqrt2 * K + 1.0) * n);
    return c;
}
