// Headphone rendering speed on the processor, single core, 44.1 kHz, as multiples of real
// time ("xRT": seconds of audio rendered per second), and the cost of each step of one
// 8192-frame block: fill, 5 forward transforms, 10 x 8193 spectral products, 10 inverse
// transforms, overlap-add.
//
//   build/bench/headphone_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "headphone/HVHeadphone.h"
#include "headphone/HVHeadphoneBlock.h"
#include "headphone/HVHeadphoneState.h"
#include "kernels/HVFn.h"

namespace {
// The stream the benchmark runs on.
CHVLib& Lib() {
    static CHVLib lib;
    return lib;
}
HVHeadphoneState& HP() { return Lib().Headphone(); }
}  // namespace

namespace {

constexpr double kRate = 44100.0;

struct Setup {
    HVLIB_CONFIG cfg;
    HVFrames source, frames;
    Setup(uint32_t code, bool decode) {
        cfg.dwMode = 3;
        cfg.bCUDA = 0;
        cfg.bHeadphonesDecodeMusic = cfg.bHeadphonesDecodeMovie = decode ? 1 : 0;
        Lib().SetConfig(&cfg);
        Lib().CalcStaticConstants(uint32_t(kRate));
        Lib().Reset();
        std::minstd_rand rng(1);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        source.Resize(HP_BLOCK);
        for (uint32_t i = 0; i < HP_BLOCK; ++i) {
            for (float& v : source[i].f) v = 0.0f;
            const int used[6] = {HV_L, HV_R, HV_C, HV_LFE, HV_SL, HV_SR};
            for (int k = 0; k < (code == 2 ? 2 : 6); ++k) source[i].f[used[k]] = u(rng);
        }
        InitHeadphoneFilters(HP());
    }
    ~Setup() { Lib().SetConfig(nullptr); }
};

// One host chunk of 8192 frames per iteration (one block each), through the kernel set the
// engine would choose (SSE2 where present).
void Render(benchmark::State& state, uint32_t code, bool decode) {
    Setup s(code, decode);
    CHVFn& fn = Lib().Kernels();
    for (auto _ : state) {
        s.frames.Resize(HP_BLOCK);
        std::memcpy(s.frames.m_pData, s.source.m_pData, HP_BLOCK * sizeof(HVCHUNK_INTCHUNK));
        Lib().ProcessHeadphones(fn, code, s.frames);
        benchmark::DoNotOptimize(s.frames.m_pData);
    }
    state.counters["xRT"] = benchmark::Counter(HP_BLOCK / kRate, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Headphone51(benchmark::State& state) { Render(state, 6, false); }
void BM_HeadphoneStereo(benchmark::State& state) { Render(state, 2, false); }
void BM_HeadphoneStereoDecoded(benchmark::State& state) { Render(state, 2, true); }

// The steps of one block, each alone.
void BM_StepFill(benchmark::State& state) {
    Setup s(6, false);
    for (auto _ : state) {
        HP().m_fill = 0;
        HeadphoneFillBlock(HP(), s.source, 0, HP_BLOCK);
    }
    HP().m_fill = 0;
}
void BM_StepForwardTransforms(benchmark::State& state) {
    Setup s(6, false);
    for (auto _ : state) HeadphoneForwardTransforms(HP());
}
void BM_StepSpectralProducts(benchmark::State& state) {
    Setup s(6, false);
    for (auto _ : state) HeadphoneMultiplySpectra(HP(), 0);
}
void BM_StepInverseTransforms(benchmark::State& state) {
    Setup s(6, false);
    for (auto _ : state) HeadphoneInverseTransforms(HP());
}
void BM_StepOverlapAdd(benchmark::State& state) {
    Setup s(6, false);
    HP().m_out.Resize(HP_BLOCK);
    for (auto _ : state) HeadphoneOverlapAdd(HP(), 0);
}

}  // namespace

BENCHMARK(BM_Headphone51)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeadphoneStereo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeadphoneStereoDecoded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepFill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepForwardTransforms)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepSpectralProducts)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepInverseTransforms)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepOverlapAdd)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
