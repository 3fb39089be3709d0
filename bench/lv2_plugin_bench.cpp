// Cost of each LV2 plugin per PipeWire quantum (1024 frames at 48 kHz), through the same
// instance code the bundle runs, beside the bare engine in the same mode: the plugin's
// copies, bypass line and output gain should add little. "Silence" runs 10 s of zeros
// first (denormals would make it dearer than noise).
//
//   build/bench/lv2_plugin_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/HalvaneEngine.h"
#include "lv2/PluginInstance.h"

namespace {

using halvane::lv2::PluginInstance;
using halvane::lv2::PluginSpec;

constexpr uint32_t kRate = 48000, kQuantum = 1024;

std::vector<std::vector<float>> Signal(uint32_t channels, bool silence) {
    std::minstd_rand rng(7);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    std::vector<std::vector<float>> x(channels, std::vector<float>(kQuantum));
    for (auto& ch : x)
        for (float& v : ch) v = silence ? 0.0f : u(rng);
    return x;
}

void Plugin(benchmark::State& state, const char* uri, bool silence) {
    const PluginSpec& spec = *halvane::lv2::FindPlugin(uri);
    auto inst = PluginInstance::Create(spec, kRate);
    auto in = Signal(spec.inChannels, silence);
    std::vector<std::vector<float>> out(spec.outChannels, std::vector<float>(kQuantum));
    std::vector<float> controls(halvane::lv2::PortCount(spec), 0.0f);
    for (uint32_t k = 0; k < spec.inChannels; ++k) inst->Connect(k, in[k].data());
    for (uint32_t k = 0; k < spec.outChannels; ++k) inst->Connect(spec.inChannels + k, out[k].data());
    for (uint32_t i = 0; i < spec.settingCount; ++i) {
        controls[i] = float(spec.settings[i].def);
        inst->Connect(halvane::lv2::AudioPortCount(spec) + i, &controls[i]);
    }
    inst->Activate();
    if (silence)
        for (uint32_t i = 0; i < 10 * kRate / kQuantum; ++i) inst->Run(kQuantum);
    for (auto _ : state) {
        inst->Run(kQuantum);
        benchmark::DoNotOptimize(out[0].data());
    }
    state.SetItemsProcessed(state.iterations() * kQuantum);
}

// The engine alone in the plugin's mode, the figure each plugin is held to.
void Engine(benchmark::State& state, uint32_t mode, uint32_t inCh, uint32_t outCh) {
    HVLIB_CONFIG cfg;
    cfg.dwMode = mode;
    halvane::Engine e(kRate, cfg);
    e.Prepare(kQuantum, inCh);
    auto in = Signal(inCh, false);
    std::vector<std::vector<float>> out(outCh, std::vector<float>(kQuantum));
    const float* ip[6];
    float* op[6];
    for (uint32_t k = 0; k < inCh; ++k) ip[k] = in[k].data();
    for (uint32_t k = 0; k < outCh; ++k) op[k] = out[k].data();
    for (auto _ : state) {
        e.Process(ip, inCh, op, outCh, kQuantum);
        benchmark::DoNotOptimize(out[0].data());
    }
    state.SetItemsProcessed(state.iterations() * kQuantum);
}

}  // namespace

BENCHMARK_CAPTURE(Engine, steered_2to6, 2, 2, 6);
BENCHMARK_CAPTURE(Plugin, upmix, "urn:halvane:upmix", false);
BENCHMARK_CAPTURE(Plugin, upmix_silence, "urn:halvane:upmix", true);
BENCHMARK_CAPTURE(Engine, encoder_6to2, 4, 6, 2);
BENCHMARK_CAPTURE(Plugin, encoder, "urn:halvane:encoder", false);
BENCHMARK_CAPTURE(Engine, headphone_6to2, 3, 6, 2);
BENCHMARK_CAPTURE(Plugin, headphone, "urn:halvane:headphone", false);
BENCHMARK_CAPTURE(Plugin, headphone_silence, "urn:halvane:headphone", true);
BENCHMARK_CAPTURE(Plugin, headphone_stereo, "urn:halvane:headphone-stereo", false);
BENCHMARK_MAIN();
