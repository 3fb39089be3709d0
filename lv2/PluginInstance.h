// One running plugin: a halvane::Engine behind the LV2 port model.
//
// Everything is allocated in Create() and Activate(); Run() takes any frame count, no lock,
// no allocation, no I/O. Ports may stay unconnected: controls then take their defaults,
// and a run with an unconnected audio port writes nothing but the latency.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/HVConfig.h"
#include "engine/HalvaneEngine.h"
#include "lv2/PluginSpecs.h"

namespace halvane::lv2 {

class PluginInstance {
public:
    // nullptr where the plugin's mode cannot be processed at `sampleRate`.
    static std::unique_ptr<PluginInstance> Create(const PluginSpec& spec, double sampleRate);

    void Connect(uint32_t port, void* data);
    void Activate();
    void Run(uint32_t frames);

    // Output delay in frames, fixed from Activate() on.
    uint32_t Latency() const { return latency_; }

    PluginInstance(const PluginSpec& spec, uint32_t rate);

private:
    // Frames handled per engine call inside Run(); the scratch buffers hold one piece.
    static constexpr uint32_t kPiece = 1024;

    HVLIB_CONFIG ReadSettings();
    void UpdateSettings();
    void ProcessPiece(uint32_t done, uint32_t n);
    void MixOutput(uint32_t done, uint32_t n);

    const PluginSpec& spec_;
    uint32_t rate_;
    std::unique_ptr<Engine> engine_;
    std::vector<void*> ports_;
    std::vector<int32_t> controls_;  // the settings ports as last applied (clamped)
    uint32_t latency_ = 0;

    // Inputs copied (non-finite samples zeroed), so that in-place hosts and bad samples
    // never reach the engine.
    std::vector<float> inScratch_;
    // The dry signal for bypass: input L/R (or FL/FR) delayed by the latency.
    std::vector<float> dry_[2];
    uint32_t dryPos_ = 0;

    // Output gain and bypass crossfade: per-frame linear ramps of fixed length.
    uint32_t rampFrames_ = 1;
    float gain_ = 1.0f, gainTarget_ = 1.0f, gainStep_ = 0.0f;
    uint32_t gainLeft_ = 0;
    float wet_ = 1.0f, wetTarget_ = 1.0f, wetStep_ = 0.0f;
    uint32_t wetLeft_ = 0;
};

// The headphone block size of an instance (read from the `block` port at activation) is
// handed to the engine here, before Prepare(); Latency() then reports what it gives.
void ApplyHeadphoneBlock(Engine& engine, uint32_t blockFrames);

// Whether the engine processes the plugin's mode at its rate (headphone modes need their
// responses at that rate; the other modes run at every rate).
bool EngineServesRate(const PluginSpec& spec, const Engine& engine);

// A control value as the port allows it: NaN gives the default, the rest is rounded and
// clamped to the range; toggles are 0 or 1.
int32_t ClampSetting(float value, const SettingPort& port);

}  // namespace halvane::lv2
