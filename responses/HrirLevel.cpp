// Loudness of a response set on seeded pink noise, rendered by the partitioned convolver.
#include "responses/HrirLevel.h"

#include <cmath>
#include <random>
#include <stdexcept>

#include "headphone/PartitionedConvolver.h"

namespace {

// Pink noise: white noise through Paul Kellet's economy filter (three first-order
// sections plus a direct path, close to -3 dB per octave at 44.1 kHz). At other rates the
// poles are moved so their corners stay at the same frequencies in hertz; the slope is then
// only roughly pink, which is all a common yardstick for two sets at one rate needs.
std::vector<float> PinkNoise(size_t n, double rate, uint32_t seed) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    const double k = 44100.0 / rate;
    const double a0 = std::pow(0.99765, k), a1 = std::pow(0.96300, k), a2 = std::pow(0.57000, k);
    double b0 = 0.0, b1 = 0.0, b2 = 0.0;
    std::vector<float> v(n);
    for (auto& x : v) {
        const double w = d(rng);
        b0 = a0 * b0 + w * 0.0990460;
        b1 = a1 * b1 + w * 0.2965164;
        b2 = a2 * b2 + w * 1.0526913;
        x = float(0.25 * (b0 + b1 + b2 + w * 0.1848));
    }
    return v;
}

}  // namespace

double ReferencePower(const HrirSet& set) {
    const size_t frames = size_t(2.0 * set.rate);
    std::vector<std::vector<float>> noise;
    std::vector<const float*> in;
    for (int s = 0; s < HrirSet::kSpeakers; ++s) {
        noise.push_back(PinkNoise(frames, set.rate, 1000u + uint32_t(s)));
        noise.back().resize(frames + set.length() + PartitionedConvolver::kMaxFirstBlock, 0.0f);
        in.push_back(noise.back().data());
    }
    const auto responses = set.convolverResponses();
    PartitionedConvolver pc;
    pc.prepare(PartitionedConvolver::kMaxFirstBlock, HrirSet::kSpeakers, responses);
    const uint32_t total = uint32_t(noise[0].size());
    std::vector<float> left(total), right(total);
    pc.process(in.data(), 1, left.data(), right.data(), 1, total);
    double sum = 0.0;
    for (uint32_t i = 0; i < total; ++i) sum += double(left[i]) * left[i] + double(right[i]) * right[i];
    return sum / double(frames);
}

float MatchLevelGain(const HrirSet& set, const HrirSet& reference) {
    if (set.silent() || reference.silent())
        throw std::invalid_argument("cannot match the level of silent responses");
    const double want = ReferencePower(reference);
    const double have = ReferencePower(set.rate == reference.rate ? set : set.resampled(reference.rate));
    return float(std::sqrt(want / have));
}

void MatchLevel(HrirSet& set, const HrirSet& reference) {
    set.scale(MatchLevelGain(set, reference));
}
