// Response sets: resampling against analytically known band-limited responses (shape, peak
// position, the constant added delay), the level of steady tones at every rate from 8 kHz
// to 384 kHz, and the interaural sign check.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "headphone/HrirSet.h"

namespace {

// A sum of Gaussian pulses, band-limited well below 4 kHz (sigma 0.4 ms): its samples at any
// rate are the response at that rate, so a resampled set can be checked against them.
struct Pulses {
    std::vector<std::pair<double, double>> at;  // (time in s, amplitude)
    double sigma = 0.4e-3;
    double operator()(double t) const {
        double v = 0.0;
        for (const auto& [t0, a] : at) v += a * std::exp(-std::pow((t - t0) / sigma, 2.0));
        return v;
    }
    std::vector<float> Sample(double rate, size_t n) const {
        std::vector<float> h(n);
        for (size_t i = 0; i < n; ++i) h[i] = float((*this)(double(i) / rate));
        return h;
    }
};

// |H(f)| of a response at `rate`: the gain of a steady sine through it.
double Gain(const std::vector<float>& h, double rate, double f) {
    std::complex<double> s = 0.0;
    for (size_t n = 0; n < h.size(); ++n)
        s += double(h[n]) * std::polar(1.0, -2.0 * std::numbers::pi * f * n / rate);
    return std::abs(s);
}

TEST(HrirSet, ResamplingKeepsShapeAndAddsConstantDelay) {
    const Pulses left{{{2.0e-3, 1.0}, {5.5e-3, -0.4}, {9.0e-3, 0.2}}};
    const Pulses right{{{2.3e-3, 0.7}, {6.0e-3, 0.3}}};
    for (const auto& [from, to] : {std::pair{48000.0, 96000.0},
                                   {44100.0, 48000.0},
                                   {48000.0, 8000.0},
                                   {96000.0, 44100.0},
                                   {44100.0, 192000.0}}) {
        HrirSet set;
        set.rate = from;
        const size_t n = size_t(from * 0.012);
        set.at(Speaker::FL, Ear::Left) = left.Sample(from, n);
        set.at(Speaker::FL, Ear::Right) = right.Sample(from, n);
        const HrirSet r = set.resampled(to);
        ASSERT_EQ(r.rate, to);
        EXPECT_TRUE(r.at(Speaker::FC, Ear::Left).empty());

        const double delay = double(HrirSet::resamplePadFrames(from)) / from;
        EXPECT_LE(delay, 1e-3);
        for (int e = 0; e < 2; ++e) {
            const Pulses& p = e ? right : left;
            const std::vector<float>& y = r.at(Speaker::FL, Ear(e));
            ASSERT_GE(y.size(), size_t(std::ceil((double(n) / from + 2 * delay) * to)));
            // Expected: the same continuous response at the new rate, delayed, scaled by
            // from / to so a steady signal keeps its level.
            double xy = 0.0, xx = 0.0, yy = 0.0;
            size_t peak = 0;
            for (size_t m = 0; m < y.size(); ++m) {
                const double ref = from / to * p(double(m) / to - delay);
                xy += ref * y[m];
                xx += ref * ref;
                yy += double(y[m]) * y[m];
                if (std::abs(y[m]) > std::abs(y[peak])) peak = m;
            }
            EXPECT_GT(xy / std::sqrt(xx * yy), 0.9999) << from << " -> " << to << " ear " << e;
            EXPECT_NEAR(xy / xx, 1.0, 0.01) << from << " -> " << to << " ear " << e;
            const double expectedPeak = (p.at[0].first + delay) * to;
            EXPECT_NEAR(double(peak), expectedPeak, 1.0) << from << " -> " << to << " ear " << e;
        }
        // The interaural time difference in seconds survives (to a sample of either rate).
        EXPECT_NEAR(double(r.interauralLead(Speaker::FL)) / to,
                    double(set.interauralLead(Speaker::FL)) / from, 1.0 / to + 1.0 / from);
    }
}

// A 48 kHz set of decaying noise (content up to 24 kHz) at every rate: finite, not silent,
// and steady noise below 80 % of the lower Nyquist frequency keeps its level within 1 dB
// (the power gain summed over tones every 200 Hz from 100 Hz up).
TEST(HrirSet, EveryRateKeepsSteadyLevel) {
    HrirSet set;
    set.rate = 48000.0;
    std::minstd_rand rng(17);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (auto& sp : set.taps)
        for (auto& h : sp) {
            h.resize(2400);
            for (size_t i = 0; i < h.size(); ++i) h[i] = d(rng) * std::exp(-float(i) / 300.0f);
        }
    for (double to : {8000.0, 11025.0, 16000.0, 22050.0, 32000.0, 44100.0, 88200.0, 96000.0, 176400.0,
                      192000.0, 352800.0, 384000.0}) {
        const HrirSet r = set.resampled(to);
        ASSERT_FALSE(r.silent()) << to;
        const double top = 0.8 * std::min(to, set.rate) / 2.0;
        for (int s = 0; s < HrirSet::kSpeakers; ++s)
            for (int e = 0; e < 2; ++e) {
                const std::vector<float>& h = r.taps[s][e];
                ASSERT_EQ(h.size(), r.length());
                for (float v : h) ASSERT_TRUE(std::isfinite(v)) << to;
                if ((s + e) % 3) continue;  // one filter for all pairs: a few tell
                double before = 0.0, after = 0.0;
                for (double f = 100.0; f < top; f += 200.0) {
                    before += std::pow(Gain(set.taps[s][e], set.rate, f), 2.0);
                    after += std::pow(Gain(h, to, f), 2.0);
                }
                EXPECT_NEAR(10.0 * std::log10(after / before), 0.0, 1.0)
                    << to << " Hz, speaker " << s << " ear " << e;
            }
    }
    EXPECT_THROW(set.resampled(0.0), std::invalid_argument);
    EXPECT_EQ(set.resampled(48000.0).taps, set.taps);
}

TEST(HrirSet, InterauralSign) {
    HrirSet set;
    set.rate = 44100.0;
    const auto pulse = [](size_t at, float a) {
        std::vector<float> h(64, 0.0f);
        h[at] = a;
        h[at + 1] = 0.5f * a;
        return h;
    };
    // Near ear first and louder, far ear later and quieter; FC reaches both at once.
    for (auto [s, near] : {std::pair{Speaker::FL, Ear::Left},
                           {Speaker::SL, Ear::Left},
                           {Speaker::FR, Ear::Right},
                           {Speaker::SR, Ear::Right}}) {
        set.at(s, near) = pulse(3, 1.0f);
        set.at(s, near == Ear::Left ? Ear::Right : Ear::Left) =
            pulse(s == Speaker::FL || s == Speaker::FR ? 14 : 30, 0.3f);
    }
    set.at(Speaker::FC, Ear::Left) = set.at(Speaker::FC, Ear::Right) = pulse(5, 0.8f);
    EXPECT_EQ(set.interauralLead(Speaker::FL), 11);
    EXPECT_EQ(set.interauralLead(Speaker::SR), -27);
    EXPECT_EQ(set.interauralLead(Speaker::FC), 0);
    EXPECT_TRUE(set.interauralSignOk());
    set.swapEars();
    EXPECT_EQ(set.interauralLead(Speaker::FL), -11);
    EXPECT_FALSE(set.interauralSignOk());
    set.swapEars();
    set.at(Speaker::SL, Ear::Left).assign(64, 0.0f);  // a silent pair is not judged
    set.at(Speaker::SL, Ear::Right).clear();
    EXPECT_TRUE(set.interauralSignOk());
    EXPECT_EQ(set.convolverResponses()[2 * 1 + 1].data(), set.at(Speaker::FR, Ear::Right).data());
}

}  // namespace
