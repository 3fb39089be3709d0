// Binaural response set: level-keeping resampling through libsoxr and the interaural check.
#include "headphone/HrirSet.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

size_t HrirSet::length() const {
    size_t n = 0;
    for (const auto& s : taps)
        for (const auto& e : s) n = std::max(n, e.size());
    return n;
}

bool HrirSet::silent() const {
    for (const auto& s : taps)
        for (const auto& e : s)
            if (std::any_of(e.begin(), e.end(), [](float v) { return v != 0.0f; })) return false;
    return true;
}

void HrirSet::scale(float gain) {
    for (auto& s : taps)
        for (auto& e : s)
            for (float& v : e) v *= gain;
}

void HrirSet::swapEars() {
    for (auto& s : taps) std::swap(s[0], s[1]);
}

uint32_t HrirSet::resamplePadFrames(double fromRate) {
    return uint32_t(std::floor(fromRate / 1000.0));
}

HrirSet HrirSet::resampled(double toRate) const {
    if (!(toRate > 0.0) || !std::isfinite(toRate) || !(rate > 0.0) || !std::isfinite(rate))
        throw std::invalid_argument("cannot resample responses from " + std::to_string(rate) + " Hz to " +
                                    std::to_string(toRate) + " Hz");
    if (toRate == rate) return *this;

    // All ten responses go through one multichannel call, each padded to the longest and
    // framed by the pre-ringing room on both sides.
    constexpr unsigned kChannels = 2 * kSpeakers;
    const size_t pad = resamplePadFrames(rate);
    const size_t inFrames = length() + 2 * pad;
    const size_t outFrames = size_t(std::ceil(double(inFrames) * toRate / rate));
    std::vector<float> in(inFrames * kChannels, 0.0f), out(outFrames * kChannels, 0.0f);
    for (unsigned ch = 0; ch < kChannels; ++ch) {
        const std::vector<float>& h = taps[ch / 2][ch % 2];
        for (size_t i = 0; i < h.size(); ++i) in[(pad + i) * kChannels + ch] = h[i];
    }
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    io.scale = rate / toRate;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_LINEAR_PHASE);
    size_t used = 0, made = 0;
    const soxr_error_t err = soxr_oneshot(rate, toRate, kChannels, in.data(), inFrames, &used, out.data(),
                                          outFrames, &made, &io, &quality, nullptr);
    if (err) throw std::runtime_error(std::string("resampling the responses failed: ") + err);

    HrirSet r;
    r.rate = toRate;
    for (unsigned ch = 0; ch < kChannels; ++ch) {
        if (taps[ch / 2][ch % 2].empty()) continue;  // silence stays silence
        std::vector<float>& h = r.taps[ch / 2][ch % 2];
        h.resize(outFrames);
        for (size_t i = 0; i < made; ++i) h[i] = out[i * kChannels + ch];
    }
    return r;
}

int64_t HrirSet::interauralLead(Speaker s) const {
    const auto& pair = taps[size_t(s)];
    float peak = 0.0f;
    for (const auto& e : pair)
        for (float v : e) peak = std::max(peak, std::abs(v));
    if (peak == 0.0f) return 0;
    const float threshold = 0.1f * peak;
    int64_t onset[2];
    for (int e = 0; e < 2; ++e) {
        const auto& h = pair[e];
        const auto it = std::find_if(h.begin(), h.end(), [&](float v) { return std::abs(v) >= threshold; });
        // An ear that never reaches the threshold hears the speaker last.
        onset[e] = it == h.end() ? int64_t(length()) : int64_t(it - h.begin());
    }
    return onset[1] - onset[0];
}

bool HrirSet::interauralSignOk() const {
    const auto sounds = [&](Speaker s) {
        const auto& pair = taps[size_t(s)];
        return std::any_of(pair.begin(), pair.end(), [](const std::vector<float>& h) {
            return std::any_of(h.begin(), h.end(), [](float v) { return v != 0.0f; });
        });
    };
    for (Speaker s : {Speaker::FL, Speaker::SL})
        if (sounds(s) && interauralLead(s) <= 0) return false;
    for (Speaker s : {Speaker::FR, Speaker::SR})
        if (sounds(s) && interauralLead(s) >= 0) return false;
    return true;
}

std::array<std::span<const float>, 2 * HrirSet::kSpeakers> HrirSet::convolverResponses() const {
    std::array<std::span<const float>, 2 * kSpeakers> r;
    for (int s = 0; s < kSpeakers; ++s)
        for (int e = 0; e < 2; ++e) r[size_t(s * 2 + e)] = taps[size_t(s)][size_t(e)];
    return r;
}
