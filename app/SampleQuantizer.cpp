#include "app/SampleQuantizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

SampleQuantizer::SampleQuantizer(double gainDb, int bits, bool dither)
    : gain_(std::pow(10.0, gainDb / 20.0)), bits_(bits), dither_(dither) {}

double SampleQuantizer::NextDither() {
    // xorshift32, two draws mapped to [-0.5, 0.5) LSB each.
    auto draw = [this] {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return double(state_) * (1.0 / 4294967296.0) - 0.5;
    };
    const double a = draw();
    return a + draw();
}

namespace {

// Largest |x| of a block, four lanes at a time where SSE2 is there (maxps keeps its second
// operand when one is NaN: a NaN sample never becomes the peak).
float BlockPeak(const float* x, size_t count, float peak) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    __m128 m = _mm_set1_ps(peak);
    for (; i + 4 <= count; i += 4) m = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i), absMask), m);
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, m);
    for (float v : lanes) peak = v > peak ? v : peak;
#endif
    for (; i < count; ++i) {
        const float a = std::fabs(x[i]);
        peak = a > peak ? a : peak;
    }
    return peak;
}

// Round to nearest (ties to even) for |v| < 2^51 by the float adder itself: adding and
// taking away 1.5 * 2^52 leaves no fraction bits.
inline double RoundNearest(double v) {
    constexpr double kShift = 6755399441055744.0;
    return (v + kShift) - kShift;
}

}  // namespace

void SampleQuantizer::ApplyGain(float* samples, size_t count) {
    const float gain = float(gain_);
    for (size_t i = 0; i < count; ++i) samples[i] *= gain;
    peak_ = BlockPeak(samples, count, float(peak_));
}

void SampleQuantizer::TrackPeak(const float* samples, size_t count) {
    peak_ = BlockPeak(samples, count, float(peak_));
}

void SampleQuantizer::ToInt(const float* in, int32_t* out, size_t count) {
    const double scale = std::ldexp(1.0, bits_ - 1);
    const double hi = scale - 1.0, lo = -scale;
    const int shift = 32 - bits_;
    double peak = peak_;
    for (size_t i = 0; i < count; ++i) {
        const double x = double(in[i]) * gain_;
        const double a = std::fabs(x);
        peak = a > peak ? a : peak;
        double q = RoundNearest(x * scale + (dither_ ? NextDither() : 0.0));
        if (q != q) q = 0.0;  // NaN: no value to keep
        if (q > hi || q < lo) {
            ++clipped_;
            q = q > hi ? hi : lo;
        }
        // Left-aligned in 32 bits: shift as unsigned so negative words keep their bits.
        out[i] = int32_t(uint32_t(int32_t(q)) << shift);
    }
    peak_ = peak;
}

std::string PeakDbfs(double peak) {
    if (peak <= 0.0) return "peak -inf dBFS";
    char text[48];
    std::snprintf(text, sizeof text, "peak %+.1f dBFS", 20.0 * std::log10(peak));
    return text;
}

std::string ClipReport(uint64_t clipped, double peak) {
    const double db = peak > 0.0 ? 20.0 * std::log10(peak) : 0.0;
    const int gain = -std::max(1, int(std::ceil(db)));
    char text[96];
    std::snprintf(text, sizeof text, "%llu samples clipped (%s); try --gain %d", (unsigned long long)clipped,
                  PeakDbfs(peak).c_str(), gain);
    return text;
}
