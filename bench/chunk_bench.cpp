// Whole chunk-handler work in passive mode with every room stage, through CHVLib: float
// conversion in, passive decode, bass redirection, trims and master gain, delays, float
// conversion out. 44.1 kHz stereo in 4096-frame chunks. The counter x_realtime is audio
// seconds processed per wall-clock second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/HVLib.h"
#include "kernels/HVFn.h"

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
    HVFrames frames;
    HVBuffer<HVCHUNK_06> out6;
    HVBuffer<HVCHUNK_05> out5;

    // First chunk: reset and derived constants, as after a flush at a new rate.
    bool first = true;
    for (auto _ : state) {
        const HVLIB_CONFIG chunkCfg = settings;  // the per-chunk copy
        CHVFn::m_pConfig = &chunkCfg;
        if (first) {
            CHVLib::Reset();
            CHVFn::CalcStaticConstants(kRate);
            first = false;
        }
        g_hvlib.ConvertFloatToInternal(2, host.data(), kFrames, frames);
        g_dwChannels.store(2, std::memory_order_relaxed);
        const uint32_t code = g_hvlib.ProcessChunk(2, frames);
        if (code == 6)
            CHVLib::Kernels().OutputFloatSix(frames, out6);
        else
            CHVLib::Kernels().OutputFloatFive(frames, out5);
        benchmark::DoNotOptimize(out6.m_pData);
        benchmark::ClobberMemory();
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(kFrames) / kRate * double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(settings.bSSE2 ? "SSE2" : "scalar");
}

}  // namespace

BENCHMARK(BM_PassiveRoomChunk)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
