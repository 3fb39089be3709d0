// Helpers for the tests that run the DSP inside the test process: presets from records,
// instances, chunks from sample vectors.
#pragma once

#include <cstring>
#include <vector>

#include "host/dsp_halvane.h"
#include "host/dsp_halvane_params.h"
#include "sdk/audio_chunk.h"
#include "sdk/dsp_preset.h"

inline dsp_preset_impl PresetFor(const HVLIB_CONFIG& cfg) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.m_config = cfg;
    dsp_preset_impl p;
    params.get_data(p);
    return p;
}

inline HVLIB_CONFIG ConfigWithMode(uint32_t mode, bool redirect = false) {
    HVLIB_CONFIG cfg = t_dsp_halvane_params::g_default().m_config;
    cfg.dwMode = mode;
    cfg.bLFERedir = redirect;
    return cfg;
}

inline service_ptr_t<dsp_v2> MakeInstance(const HVLIB_CONFIG& cfg) {
    return service_ptr_t<dsp_v2>(new service_impl_t<dsp_halvane>(PresetFor(cfg)));
}

inline bool Process(dsp& d, audio_chunk& c) {
    abort_callback_dummy noabort;
    return static_cast<dsp_halvane&>(d).on_chunk(&c, noabort);
}

// Deterministic test signal in -0.5..0.5 (a small linear congruential generator).
inline std::vector<float> TestSignal(size_t samples, uint32_t seed = 12345u) {
    std::vector<float> v(samples);
    uint32_t s = seed;
    for (float& x : v) {
        s = s * 1664525u + 1013904223u;
        x = float(s >> 8) / float(1u << 24) - 0.5f;
    }
    return v;
}

inline void FillChunk(audio_chunk& c, const std::vector<float>& samples, unsigned channels, unsigned rate,
                      unsigned mask = 0) {
    c.set_data(samples.data(), samples.size() / channels, channels, rate,
               mask ? mask : audio_chunk::g_guess_channel_config(channels));
}

inline bool SameSamples(const audio_chunk& c, const std::vector<float>& samples) {
    return c.get_sample_count() * c.get_channels() == samples.size() &&
           std::memcmp(c.get_data(), samples.data(), samples.size() * sizeof(float)) == 0;
}
