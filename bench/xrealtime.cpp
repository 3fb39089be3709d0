// Speed of the whole chunk handler, as x-realtime (seconds of audio per wall-clock second,
// one core, 44.1 kHz): every mode x kernel set x input layout, and the cost of a flush (the
// engine reset and the reallocations it causes in the chunk after it).
//
// Prints the Google Benchmark lines, then a table, then one "xrt,..." / "flush,..." line per
// figure for bench/run to read. Arguments are Google Benchmark's (e.g.
// --benchmark_min_time=0.2); HALVANE_BENCH_CHUNK sets the chunk size (default 4096 frames).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "host/driver/DspDriver.h"

namespace {

constexpr uint32_t kRate = 44100;
const char* const kModeNames[] = {"bypass", "passive", "steered", "headphone", "encoder"};
const char* const kSetNames[] = {"scalar", "sse2"};
constexpr uint32_t kLayouts[] = {1, 2, 5, 6};
const char* LayoutName(uint32_t ch) { return ch == 1 ? "1.0" : ch == 2 ? "2.0" : ch == 5 ? "5.0" : "5.1"; }

uint32_t ChunkFrames() {
    const char* s = std::getenv("HALVANE_BENCH_CHUNK");
    const long v = s ? std::strtol(s, nullptr, 10) : 0;
    return v > 0 ? uint32_t(v) : 4096;
}

// Settings as a listener would have them: the room stages busy (delays, trims, bass
// redirection), the processor path for the headphone convolution.
HVLIB_CONFIG Settings(uint32_t mode, uint32_t set) {
    HVLIB_CONFIG c;
    c.dwMode = mode;
    c.bSSE2 = set;
    c.bCUDA = 0;
    c.bLFERedir = 1;
    c.dwDelaySL = c.dwDelaySR = 12;
    c.dwDelayC = 2;
    c.nTrimC = -2;
    c.nTrimSL = c.nTrimSR = 1;
    return c;
}

std::vector<float> Noise(uint32_t frames, uint32_t channels) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<float> v(size_t(frames) * channels);
    for (float& x : v) x = d(rng);
    return v;
}

// Flush costs are measured on chunks of one headphone block, so that in headphone mode the
// flushed and the steady chunk both convolve exactly one block; only the reset differs.
constexpr uint32_t kFlushChunkFrames = 8192;

void ChunkHandler(benchmark::State& state, uint32_t mode, uint32_t set, uint32_t channels, bool flush,
                  uint32_t frames) {
    const std::vector<float> in = Noise(frames, channels);
    DspChunk out;
    DspDriver dsp(Settings(mode, set));
    dsp.Flush();  // every run starts from silence
    for (int i = 0; i < 8; ++i) dsp.Process(in.data(), frames, channels, kRate, out);  // warm up
    for (auto _ : state) {
        if (flush) dsp.Flush();
        dsp.Process(in.data(), frames, channels, kRate, out);
        benchmark::DoNotOptimize(out.samples.data());
    }
    state.counters["xRT"] = benchmark::Counter(double(frames) / kRate, benchmark::Counter::kIsIterationInvariantRate);
}

struct Key {
    uint32_t mode, set, channels;
    bool flush;      // a flush before every chunk
    bool blockSize;  // chunks of kFlushChunkFrames instead of the chunk size in use
};

// Keeps the seconds per chunk of every run while printing as usual.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> secondsPerChunk;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                secondsPerChunk[r.run_name.function_name] = r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string Name(const Key& k) {
    return std::string(k.flush ? "flush/" : k.blockSize ? "block/" : "chunk/") + kModeNames[k.mode] + "/" +
           kSetNames[k.set] + "/" + LayoutName(k.channels);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Key> keys;
    for (uint32_t mode = 0; mode < 5; ++mode)
        for (uint32_t set = 0; set < 2; ++set)
            for (uint32_t ch : kLayouts) keys.push_back({mode, set, ch, false, false});
    // A flush in every mode, from the layout that mode is meant for, SSE2 set, against the
    // same chunks without one.
    const uint32_t natural[5] = {2, 2, 2, 6, 6};
    for (uint32_t mode = 0; mode < 5; ++mode) {
        keys.push_back({mode, 1, natural[mode], true, true});
        keys.push_back({mode, 1, natural[mode], false, true});
    }
    for (const Key& k : keys)
        benchmark::RegisterBenchmark(Name(k).c_str(), ChunkHandler, k.mode, k.set, k.channels, k.flush,
                                     k.blockSize ? kFlushChunkFrames : ChunkFrames())
            ->UseRealTime();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const double chunkSeconds = double(ChunkFrames()) / kRate;
    auto xrt = [&](const Key& k) {
        auto it = collector.secondsPerChunk.find(Name(k));
        return it == collector.secondsPerChunk.end() ? 0.0 : chunkSeconds / it->second;
    };
    std::printf("\nx-realtime, one core, 44.1 kHz, %u-frame chunks (audio seconds per second)\n", ChunkFrames());
    std::printf("%-10s %-7s %10s %10s %10s %10s\n", "mode", "kernels", "1.0", "2.0", "5.0", "5.1");
    for (uint32_t mode = 0; mode < 5; ++mode)
        for (uint32_t set = 0; set < 2; ++set) {
            std::printf("%-10s %-7s", kModeNames[mode], kSetNames[set]);
            for (uint32_t ch : kLayouts) std::printf(" %10.0f", xrt({mode, set, ch, false, false}));
            std::printf("\n");
        }
    std::printf("\nflush: extra time of a %u-frame chunk after a flush (engine reset, reallocations)\n",
                kFlushChunkFrames);
    for (uint32_t mode = 0; mode < 5; ++mode) {
        const Key f{mode, 1, natural[mode], true, true}, s{mode, 1, natural[mode], false, true};
        auto fi = collector.secondsPerChunk.find(Name(f)), si = collector.secondsPerChunk.find(Name(s));
        if (fi == collector.secondsPerChunk.end() || si == collector.secondsPerChunk.end()) continue;
        std::printf("%-10s %s in: chunk %8.1f us, after a flush %8.1f us: %+7.1f us\n", kModeNames[mode],
                    LayoutName(natural[mode]), si->second * 1e6, fi->second * 1e6, (fi->second - si->second) * 1e6);
        std::printf("flush,%s,%s,%.3f\n", kModeNames[mode], LayoutName(natural[mode]), (fi->second - si->second) * 1e6);
    }
    for (const Key& k : keys)
        if (!k.flush && !k.blockSize && collector.secondsPerChunk.count(Name(k)))
            std::printf("xrt,%s,%s,%s,%.1f\n", kModeNames[k.mode], kSetNames[k.set], LayoutName(k.channels), xrt(k));
    return 0;
}
