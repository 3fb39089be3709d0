// The headphone mode through the public streaming engine, one core, 5.1 in, two ears out,
// 4096-frame calls, as multiples of real time ("xRT"):
//   BlockEngine      the built-in bank at 44.1 kHz, block 8192: the block engine
//   Partitioned      the built-in bank's taps (44.1 kHz) given as user responses, so they run
//                    through the partitioned convolver, at first blocks 64 .. 8192
//   Builtin/block    the built-in bank at 44.1 kHz, first block 256 or 64 (partitioned)
//   User20000/block  a 20000-tap user set at 44.1 kHz
//   Resampled/rate   the built-in bank at another rate (resampled once), block 8192
//
//   build/bench/headphone_engine_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/HalvaneEngine.h"
#include "headphone/HrirSet.h"

namespace {

constexpr uint32_t kCall = 4096;

HVLIB_CONFIG Headphones() {
    HVLIB_CONFIG c;
    c.dwMode = 3, c.bCUDA = 0;
    return c;
}

void Run(benchmark::State& state, halvane::Engine& e, uint32_t rate) {
    std::minstd_rand rng(5);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<float> in(size_t(kCall) * 6), out(size_t(kCall) * 2);
    for (float& v : in) v = d(rng);
    e.Prepare(kCall, 6);
    for (auto _ : state) {
        e.ProcessInterleaved(in.data(), 6, out.data(), 2, kCall);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["xRT"] =
        benchmark::Counter(double(kCall) / rate, benchmark::Counter::kIsIterationInvariantRate);
}

void BlockEngine(benchmark::State& state) {
    halvane::Engine e(44100, Headphones());
    Run(state, e, 44100);
}
BENCHMARK(BlockEngine)->Unit(benchmark::kMicrosecond);

void Partitioned(benchmark::State& state) {
    halvane::Engine e(44100, Headphones());
    e.SetHeadphoneResponses(halvane::BuiltinHeadphoneResponses(0));
    e.SetHeadphoneBlock(uint32_t(state.range(0)));
    Run(state, e, 44100);
}
BENCHMARK(Partitioned)
    ->ArgName("block")
    ->Arg(64)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(8192)
    ->Unit(benchmark::kMicrosecond);

void Builtin(benchmark::State& state) {
    halvane::Engine e(44100, Headphones());
    e.SetHeadphoneBlock(uint32_t(state.range(0)));
    Run(state, e, 44100);
}
BENCHMARK(Builtin)->ArgName("block")->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

void User20000(benchmark::State& state) {
    HrirSet set;
    set.rate = 44100.0;
    std::minstd_rand rng(9);
    std::uniform_real_distribution<float> d(-0.01f, 0.01f);
    for (auto& sp : set.taps)
        for (auto& h : sp) {
            h.resize(20000);
            for (float& v : h) v = d(rng);
        }
    halvane::Engine e(44100, Headphones());
    e.SetHeadphoneResponses(set);
    e.SetHeadphoneBlock(uint32_t(state.range(0)));
    Run(state, e, 44100);
}
BENCHMARK(User20000)->ArgName("block")->Arg(256)->Arg(8192)->Unit(benchmark::kMicrosecond);

void Resampled(benchmark::State& state) {
    const uint32_t rate = uint32_t(state.range(0));
    halvane::Engine e(rate, Headphones());
    Run(state, e, rate);
}
BENCHMARK(Resampled)->ArgName("rate")->Arg(22050)->Arg(96000)->Arg(192000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
