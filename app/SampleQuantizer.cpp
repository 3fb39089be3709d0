#include "app/SampleQuantizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

void SampleQuantizer::ApplyGain(float* samples, size_t count) {
    double peak = peak_;
    for (size_t i = 0; i < count; ++i) {
        const float v = float(samples[i] * gain_);
        samples[i] = v;
        peak = std::fmax(peak, std::fabs(double(v)));
    }
    peak_ = peak;
}

void SampleQuantizer::TrackPeak(const float* samples, size_t count) {
    float peak = float(peak_);
    for (size_t i = 0; i < count; ++i) peak = std::fmax(peak, std::fabs(samples[i]));
    peak_ = peak;
}

void SampleQuantizer::ToInt(const float* in, int32_t* out, size_t count) {
    const double scale = std::ldexp(1.0, bits_ - 1);
    const double hi = scale - 1.0, lo = -scale;
    const int shift = 32 - bits_;
    double peak = peak_;
    for (size_t i = 0; i < count; ++i) {
        const double x = double(in[i]) * gain_;
        peak = std::fmax(peak, std::fabs(x));
        double q = std::nearbyint(x * scale + (dither_ ? NextDither() : 0.0));
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
