// DspDriver: drives one DSP instance the way the player does, for the proof tests, the fuzz
// targets and the benchmarks: one chunk in, the chunk as the host holds it afterwards out.
// Not thread-safe per object; separate drivers may run on separate threads.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/HVConfig.h"

struct DspChunk {
    std::vector<float> samples;  // interleaved
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t mask = 0;
    bool dropped = false;  // the host removed the chunk from its list (no frames)
    uint32_t Frames() const { return channels ? uint32_t(samples.size() / channels) : 0; }
    bool AllFinite() const {
        return std::all_of(samples.begin(), samples.end(), [](float v) { return std::isfinite(v); });
    }
};

class DspDriver {
public:
    // An instance created from a preset holding these 28 words (out-of-range words are
    // repaired on reading, as for any preset).
    explicit DspDriver(const HVLIB_CONFIG& cfg);
    ~DspDriver();

    // Runs one chunk through the instance's chunk handler; `out` receives the chunk as the
    // host holds it afterwards (unchanged for unsupported layouts).
    void Process(const float* in, uint32_t frames, uint32_t channels, uint32_t rate, DspChunk& out);
    void Flush();
    void EndOfPlayback();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
