#include "app/DemoSignal.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kFadeSeconds = 0.010;

// Gain of the 10 ms raised-cosine fade at frame i of a segment of n frames.
double FadeGain(uint64_t i, uint64_t n) {
    const double fade = kFadeSeconds * kDemoSampleRate;
    double edge = double(std::min(i, n - 1 - i));
    if (edge >= fade) return 1.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fade);
}

double Tone(double hz, uint64_t i) {
    return std::sin(2.0 * std::numbers::pi * hz * double(i) / kDemoSampleRate);
}

// Deterministic noise: a 32-bit LCG, low-passed by a one-pole filter so it sounds like
// programme material rather than hiss. Scaled to roughly the tone's RMS.
class DemoNoise {
public:
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        double white = double(int32_t(state_)) / 2147483648.0;
        low_ += 0.2 * (white - low_);
        return low_ * 1.6;
    }

private:
    uint32_t state_ = 12345u;
    double low_ = 0.0;
};

}  // namespace

uint64_t DemoSegmentFrames() { return uint64_t(kDemoSegmentSeconds * kDemoSampleRate); }

DemoProgramme MakeStereoDemo() {
    DemoProgramme p{"stereo", 2, 0x3, {}, {"centre", "left", "right", "in-phase", "out-of-phase"}};
    const uint64_t n = DemoSegmentFrames();
    p.samples.reserve(size_t(n * 2 * p.segments.size()));
    DemoNoise noise;
    for (size_t seg = 0; seg < p.segments.size(); ++seg) {
        for (uint64_t i = 0; i < n; ++i) {
            const double g = FadeGain(i, n) * kDemoToneAmplitude;
            double l = 0, r = 0;
            switch (seg) {
            case 0: l = r = g * Tone(440, i); break;
            case 1: l = g * Tone(440, i); break;
            case 2: r = g * Tone(440, i); break;
            case 3: l = r = g * noise.Next(); break;
            default: l = g * noise.Next(); r = -l; break;
            }
            p.samples.push_back(float(l));
            p.samples.push_back(float(r));
        }
    }
    return p;
}

DemoProgramme MakeSurroundDemo() {
    DemoProgramme p{"surround51", 6, 0x3F, {}, {"L", "R", "C", "LFE", "SL", "SR"}};
    const uint64_t n = DemoSegmentFrames();
    p.samples.assign(size_t(n * 6 * 6), 0.0f);
    for (size_t ch = 0; ch < 6; ++ch) {
        const double hz = ch == 3 ? 60.0 : 440.0;
        for (uint64_t i = 0; i < n; ++i) {
            const uint64_t frame = ch * n + i;
            p.samples[size_t(frame * 6 + ch)] = float(FadeGain(i, n) * kDemoToneAmplitude * Tone(hz, i));
        }
    }
    return p;
}
