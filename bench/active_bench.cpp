// x-realtime of the steered decoder (with the room stages, through the engine) and of the
// matrix encoder, both kernel sets, 44.1 kHz, one core, 4096-frame chunks.
//
// Signals: "noise" (stereo/5.1 noise at about -10 dBFS) and "quiet" (one second of loud
// noise, then digital silence: the filter memories decay towards zero and, unless
// subnormals are flushed, sit in the subnormal range where arithmetic is slow).
// "engine" runs CHVLib::ProcessChunk (which flushes subnormals); "kernel" calls the
// decoder directly under the default floating-point mode, for comparison.
//
// Counter x_realtime = frames per second of CPU time / 44100.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"

namespace {
// The stream the benchmark runs on.
CHVLib& Lib() {
    static CHVLib lib;
    return lib;
}
}  // namespace

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kChunk = 4096;

enum Signal { kNoise = 0, kQuiet = 1 };
enum Path { kEngine = 0, kKernel = 1 };

std::vector<HVCHUNK_INTCHUNK> NoiseFrames(uint32_t n, int channels, uint32_t seed) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> u(-0.3f, 0.3f);
    std::vector<HVCHUNK_INTCHUNK> v(n, HVCHUNK_INTCHUNK{});
    const int slots6[6] = {HV_L, HV_R, HV_C, HV_LFE, HV_SL, HV_SR};
    for (auto& f : v)
        for (int c = 0; c < channels; ++c) f.f[channels == 2 ? c : slots6[c]] = u(rng);
    return v;
}

struct Setup {
    HVLIB_CONFIG cfg;
    HVFrames frames;
    std::vector<HVCHUNK_INTCHUNK> loud, silent;
    uint32_t code;

    Setup(uint32_t mode, bool sse2, uint32_t code_) : code(code_) {
        cfg.dwMode = mode;
        cfg.bSSE2 = sse2 ? 1 : 0;
        cfg.bLFERedir = 1;  // every room stage runs
        cfg.bMusicSurroundShelf = 1;
        cfg.dwDelayC = 2;
        cfg.dwSurroundDelayMusic = 15;
        cfg.nTrimSL = -2;
        Lib().SetConfig(&cfg);
        Lib().CalcStaticConstants(kRate);
        Lib().Reset();
        loud = NoiseFrames(kChunk, code == 2 ? 2 : 6, 3141592653u);
        silent.assign(kChunk, HVCHUNK_INTCHUNK{});
        frames.Resize(kChunk);
    }
    ~Setup() {
        Lib().Reset();
        Lib().SetConfig(nullptr);
    }
    void Load(const std::vector<HVCHUNK_INTCHUNK>& src) {
        frames.Resize(kChunk);
        std::memcpy(static_cast<void*>(frames.m_pData), src.data(), kChunk * sizeof(HVCHUNK_INTCHUNK));
    }
};

void Run(benchmark::State& state, uint32_t mode, uint32_t code, void (*kernel)(CHVFn&, HVFrames&)) {
    const bool sse2 = state.range(0) != 0;
    const Signal signal = Signal(state.range(1));
    const Path path = Path(state.range(2));
    Setup s(mode, sse2, code);
    CHVFn& k = Lib().Kernels();
    auto process = [&] {
        if (path == kEngine)
            benchmark::DoNotOptimize(Lib().ProcessChunk(s.code, s.frames));
        else
            kernel(k, s.frames);
    };
    if (signal == kQuiet) {
        for (uint32_t i = 0; i < kRate / kChunk + 1; ++i) s.Load(s.loud), process();
        // Let the tails decay into their lowest range before timing.
        for (uint32_t i = 0; i < 8; ++i) s.Load(s.silent), process();
    }
    const auto& src = signal == kQuiet ? s.silent : s.loud;
    for (auto _ : state) {
        state.PauseTiming();
        s.Load(src);
        state.ResumeTiming();
        process();
        benchmark::ClobberMemory();
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * kChunk / kRate, benchmark::Counter::kIsRate);
    state.SetLabel(std::string(sse2 ? "SSE2" : "scalar") + (signal == kQuiet ? " quiet-after-loud" : " noise") +
                   (path == kEngine ? " engine" : " kernel"));
}

void BM_ActiveDecoder(benchmark::State& state) {
    Run(state, 2, 2, [](CHVFn& k, HVFrames& f) { k.DecodeActive(f); });
}
void BM_Encoder(benchmark::State& state) {
    Run(state, 4, 6, [](CHVFn& k, HVFrames& f) { k.EncodeMatrix(6, f); });
}

// Args: SSE2 (0/1), signal (0 noise, 1 quiet after loud), path (0 engine, 1 kernel).
void Grid(benchmark::internal::Benchmark* b) {
    for (int sse2 : {1, 0})
        for (int sig : {kNoise, kQuiet})
            for (int path : {kEngine, kKernel}) b->Args({sse2, sig, path});
}

}  // namespace

BENCHMARK(BM_ActiveDecoder)->Apply(Grid)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Encoder)->Apply(Grid)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
