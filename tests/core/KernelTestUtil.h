// Helpers shared by the kernel and pipeline tests: seeded signals, an engine set-up that
// mirrors the chunk handler, and the two kernel sets side by side.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "kernels/HVFn.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"

// Frame counts that leave every possible remainder after groups of four.
inline constexpr uint32_t kOddLengths[] = {1, 3, 5, 17, 1023};

// Seeded uniform noise in [-amp, amp].
inline std::vector<float> Noise(size_t n, float amp = 1.0f, uint32_t seed = 3141592653u) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> d(-amp, amp);
    std::vector<float> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

// Fills slots 0-7 of n frames with seeded noise.
inline void FillNoiseFrames(HVFrames& f, uint32_t n, uint32_t seed = 8392829u) {
    f.Resize(n);
    auto v = Noise(size_t(n) * 8, 1.0f, seed);
    for (uint32_t i = 0; i < n; ++i)
        for (int k = 0; k < 8; ++k) f[i].f[k] = v[size_t(i) * 8 + k];
}

inline void CopyFrames(const HVFrames& src, HVFrames& dst) {
    dst.Resize(src.m_dwCount);
    for (uint32_t i = 0; i < src.m_dwCount; ++i) dst[i] = src[i];
}

// Publishes `cfg` as the configuration in force, recomputes the derived constants for `fs`
// and clears the processing history, as the chunk handler does after a flush.
inline void StartEngine(const HVLIB_CONFIG& cfg, uint32_t fs) {
    CHVFn::m_pConfig = &cfg;
    CHVFn::CalcStaticConstants(fs);
    CHVLib::Reset();
    g_hpFill = 0;
}

// Runs interleaved host floats (`ch` channels) through conversion, ProcessChunk and the
// output conversion in chunks of the given sizes (cycled), and returns the concatenated
// host output and the last layout code.
struct PipelineResult {
    std::vector<float> out;
    uint32_t code = 0;
};

inline PipelineResult RunPipeline(const std::vector<float>& in, uint32_t ch, const std::vector<uint32_t>& chunks) {
    PipelineResult r;
    HVFrames frames;
    HVBuffer<float> mono;
    HVBuffer<HVCHUNK_02> stereo;
    HVBuffer<HVCHUNK_05> five;
    HVBuffer<HVCHUNK_06> six;
    const uint32_t total = uint32_t(in.size() / ch);
    uint32_t done = 0;
    for (size_t c = 0; done < total; ++c) {
        const uint32_t n = std::min(chunks[c % chunks.size()], total - done);
        g_hvlib.ConvertFloatToInternal(ch, in.data() + size_t(done) * ch, n, frames);
        const uint32_t code = g_hvlib.ProcessChunk(ch, frames);
        CHVFn& k = CHVLib::Kernels();
        const float* p = nullptr;
        size_t count = 0;
        switch (code) {
            case 1: k.OutputFloatMono(frames, mono); p = mono.m_pData; count = mono.m_dwCount; break;
            case 2: k.OutputFloatStereo(frames, stereo); p = &stereo.m_pData->l; count = 2 * size_t(stereo.m_dwCount); break;
            case 5: k.OutputFloatFive(frames, five); p = &five.m_pData->l; count = 5 * size_t(five.m_dwCount); break;
            case 6: k.OutputFloatSix(frames, six); p = &six.m_pData->l; count = 6 * size_t(six.m_dwCount); break;
            default: p = in.data() + size_t(done) * ch; count = size_t(n) * ch; break;  // host chunk unchanged
        }
        if (count) r.out.insert(r.out.end(), p, p + count);
        r.code = code;
        done += n;
    }
    return r;
}

inline bool AllFinite(const std::vector<float>& v) {
    for (float x : v)
        if (!std::isfinite(x)) return false;
    return true;
}
