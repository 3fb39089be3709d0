// Loading and resampling response files, one core: the MIT KEMAR SOFA file shipped with
// libmysofa (710 measurements of 512 taps at 44.1 kHz) read and reduced to five speakers,
// alone and resampled for a 48 kHz stream, and a 48 kHz set of that size resampled for a
// 44.1 kHz stream. Load plus resample is the time a user file costs at stream start.
//
//   build/bench/responses_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "responses/HrirFile.h"

namespace {

const char* const kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

void LoadKemar(benchmark::State& state, double streamRate) {
    if (!std::filesystem::exists(kKemar)) {
        state.SkipWithError("libmysofa's KEMAR file is not installed");
        return;
    }
    for (auto _ : state) {
        HrirSet set = LoadHrirFile(kKemar);
        if (streamRate != set.rate) set = set.resampled(streamRate);
        benchmark::DoNotOptimize(set.taps[0][0].data());
    }
}
void BM_LoadKemarSofa(benchmark::State& state) {
    LoadKemar(state, 44100.0);
}
void BM_LoadKemarSofaFor48k(benchmark::State& state) {
    LoadKemar(state, 48000.0);
}

void BM_Resample48kTo44k(benchmark::State& state) {
    HrirSet set;
    set.rate = 48000.0;
    std::minstd_rand rng(3);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    for (auto& sp : set.taps)
        for (auto& h : sp) {
            h.resize(size_t(state.range(0)));
            for (float& v : h) v = d(rng);
        }
    for (auto _ : state) {
        HrirSet r = set.resampled(44100.0);
        benchmark::DoNotOptimize(r.taps[0][0].data());
    }
}

}  // namespace

BENCHMARK(BM_LoadKemarSofa)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadKemarSofaFor48k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample48kTo44k)->Arg(512)->Arg(8192)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
