// Cost of the partitioned convolver, single core, 44.1 kHz, five sources to two ears, as
// multiples of real time ("xRT"), at first blocks of 64, 256, 1024 and 8192 frames, for
// responses of 8192 taps (the built-in bank's length) and 20000 taps, against one 8192-frame
// block convolution done the block engine's way (5 forward transforms, 10 x 8193 products in
// double, 10 inverse transforms, overlap-add; the engine itself is BM_Headphone51 in
// headphone_bench). Each iteration hands over one 8192-frame chunk.
//
//   build/bench/partitioned_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <kiss_fftr.h>

#include <random>
#include <span>
#include <vector>

#include "headphone/PartitionedConvolver.h"

namespace {

constexpr double kRate = 44100.0;
constexpr uint32_t kChunk = 8192;
constexpr uint32_t kSources = 5;

std::vector<float> Noise(size_t n, uint32_t seed, float amp) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> d(-amp, amp);
    std::vector<float> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

struct Signals {
    std::vector<std::vector<float>> responses, input;
    std::vector<std::span<const float>> spans;
    std::vector<const float*> in;
    std::vector<float> left, right;
    explicit Signals(size_t taps) : left(kChunk), right(kChunk) {
        for (uint32_t p = 0; p < 2 * kSources; ++p) responses.push_back(Noise(taps, 100 + p, 0.01f));
        spans.assign(responses.begin(), responses.end());
        for (uint32_t c = 0; c < kSources; ++c) input.push_back(Noise(kChunk, c, 0.5f));
        for (auto& x : input) in.push_back(x.data());
    }
};

void Partitioned(benchmark::State& state) {
    const uint32_t block = uint32_t(state.range(0));
    Signals s(size_t(state.range(1)));
    PartitionedConvolver pc;
    pc.prepare(block, kSources, s.spans);
    for (auto _ : state) {
        pc.process(s.in.data(), 1, s.left.data(), s.right.data(), 1, kChunk);
        benchmark::DoNotOptimize(s.left.data());
        benchmark::DoNotOptimize(s.right.data());
    }
    state.counters["xRT"] = benchmark::Counter(kChunk / kRate, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["stages"] = double(pc.partitions().size());
}
BENCHMARK(Partitioned)
    ->ArgNames({"block", "taps"})
    ->ArgsProduct({{64, 256, 1024, 8192}, {8192, 20000}})
    ->Unit(benchmark::kMicrosecond);

// One 8192-frame block, 8192-tap responses, the block engine's arithmetic.
void Block8192(benchmark::State& state) {
    constexpr uint32_t n = 2 * kChunk, bins = kChunk + 1;
    Signals s(kChunk);
    kiss_fftr_cfg fwd = kiss_fftr_alloc(n, 0, nullptr, nullptr);
    kiss_fftr_cfg inv = kiss_fftr_alloc(n, 1, nullptr, nullptr);
    std::vector<std::vector<kiss_fft_cpx>> resp(2 * kSources, std::vector<kiss_fft_cpx>(bins));
    std::vector<float> time(n, 0.0f);
    for (uint32_t p = 0; p < 2 * kSources; ++p) {
        std::copy(s.responses[p].begin(), s.responses[p].end(), time.begin());
        kiss_fftr(fwd, time.data(), resp[p].data());
    }
    std::vector<std::vector<float>> blockIn(kSources, std::vector<float>(n, 0.0f));
    std::vector<std::vector<kiss_fft_cpx>> spec(kSources, std::vector<kiss_fft_cpx>(bins));
    std::vector<kiss_fft_cpx> prod(bins);
    std::vector<std::vector<float>> conv(2 * kSources, std::vector<float>(n));
    std::vector<float> tail(2 * kChunk, 0.0f);
    const double scale = 1.0 / n;
    for (auto _ : state) {
        for (uint32_t c = 0; c < kSources; ++c) {
            std::copy(s.input[c].begin(), s.input[c].end(), blockIn[c].begin());
            kiss_fftr(fwd, blockIn[c].data(), spec[c].data());
        }
        for (uint32_t p = 0; p < 2 * kSources; ++p) {
            const kiss_fft_cpx* x = spec[p / 2].data();
            const kiss_fft_cpx* h = resp[p].data();
            for (uint32_t k = 0; k < bins; ++k) {
                const double xr = x[k].r, xi = x[k].i;
                prod[k].r = float(xr * double(h[k].r) - xi * double(h[k].i));
                prod[k].i = float(xr * double(h[k].i) + xi * double(h[k].r));
            }
            kiss_fftri(inv, prod.data(), conv[p].data());
        }
        for (int ear = 0; ear < 2; ++ear) {
            float* out = ear ? s.right.data() : s.left.data();
            float* t = tail.data() + ear * kChunk;
            for (uint32_t i = 0; i < kChunk; ++i) {
                double a = t[i], b = 0.0;
                for (uint32_t c = 0; c < kSources; ++c) {
                    a += conv[c * 2 + ear][i];
                    b += conv[c * 2 + ear][i + kChunk];
                }
                out[i] = float(scale * a);
                t[i] = float(b);
            }
        }
        benchmark::DoNotOptimize(s.left.data());
        benchmark::DoNotOptimize(s.right.data());
    }
    state.counters["xRT"] = benchmark::Counter(kChunk / kRate, benchmark::Counter::kIsIterationInvariantRate);
    kiss_fftr_free(fwd);
    kiss_fftr_free(inv);
}
BENCHMARK(Block8192)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
