// Whole chunk-handler work in passive mode with every room stage, through the engine: float
// conversion in, passive decode, bass redirection, trims and master gain, delays, float
// conversion out, as the engine's chunk interface runs it. 44.1 kHz stereo in 4096-frame chunks. The counter x_realtime is audio
// seconds processed per wall-clock second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/HalvaneEngine.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrames = 4096;

void BM_PassiveRoomChunk(benchmark::State& state) {
    HVLIB_CONFIG settings;
    settings.dwMode = 1;
    settings.bSSE2 = uint32_t(state.range(0));
    settings.bLFERedir = 1;
    settings.dwDelayL = 3, settings.dwDelayR = 3, settings.dwDelayC = 2, settings.dwDelaySub = 5;
    settings.dwDelaySL = 12, settings.dwDelaySR = 12;
    settings.nTrimC = -2, settings.nTrimSL = -3, settings.nTrimSR = -3, settings.nMasterGain = -1;

    std::vector<float> host(size_t(kFrames) * 2);
    for (uint32_t i = 0; i < kFrames; ++i) {
        host[2 * i] = 0.5f * float(std::sin(2 * M_PI * 440.0 * i / kRate));
        host[2 * i + 1] = 0.5f * float(std::sin(2 * M_PI * 97.0 * i / kRate));
    }
    halvane::Engine engine(0, settings);

    // First chunk: reset and derived constants, as after a flush at a new rate.
    halvane::ChunkRequests requests{true, true};
    for (auto _ : state) {
        const halvane::ChunkOutput out = engine.RunChunk(settings, kRate, host.data(), 2, kFrames, requests);
        requests = {};
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(kFrames) / kRate * double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(settings.bSSE2 ? "SSE2" : "scalar");
}

}  // namespace

BENCHMARK(BM_PassiveRoomChunk)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
