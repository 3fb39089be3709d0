// Shared set-up for the kernel tests: a configuration in force, derived constants at
// 44.1 kHz, cleared history, and signal/buffer helpers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"

// Frames as plain values, for building inputs and comparing results.
using FrameVec = std::vector<HVCHUNK_INTCHUNK>;

inline void FillFrames(HVFrames& dst, const HVCHUNK_INTCHUNK* src, uint32_t n) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) dst[i] = src[i];
}

inline FrameVec ToVec(const HVFrames& f) { return FrameVec(f.m_pData, f.m_pData + f.m_dwCount); }

// Stereo programme with a bit of everything the steering reacts to: a centred bass line,
// a melody panned slowly across, an out-of-phase ambience component and seeded noise.
inline FrameVec MusicLikeStereo(uint32_t n, uint32_t seed = 3141592653u, double fs = 44100.0) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    FrameVec v(n, HVCHUNK_INTCHUNK{});
    const double tau = 2.0 * M_PI;
    for (uint32_t i = 0; i < n; ++i) {
        const double t = i / fs;
        const double bass = 0.3 * std::sin(tau * 82.4 * t);
        const double melody = 0.25 * std::sin(tau * 659.3 * t + 0.3 * std::sin(tau * 5.0 * t));
        const double pan = 0.5 + 0.5 * std::sin(tau * 0.7 * t);
        const double amb = 0.1 * std::sin(tau * 2300.0 * t);
        const double nl = 0.05 * u(rng), nr = 0.05 * u(rng);
        v[i].f[HV_L] = float(bass + melody * std::sqrt(1.0 - pan) + amb + nl);
        v[i].f[HV_R] = float(bass + melody * std::sqrt(pan) - amb + nr);
        v[i].f[HV_LFE] = 0.25f;  // must pass through the decoder
        v[i].f[6] = -7.0f;       // spare slots: never touched
        v[i].f[7] = 7.0f;
    }
    return v;
}

// Five-channel programme (LFE as given) with band content in every channel.
inline FrameVec MusicLikeSix(uint32_t n, uint32_t seed = 8392829u, double fs = 44100.0) {
    FrameVec v = MusicLikeStereo(n, seed, fs);
    std::minstd_rand rng(seed + 1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const double tau = 2.0 * M_PI;
    for (uint32_t i = 0; i < n; ++i) {
        const double t = i / fs;
        v[i].f[HV_C] = float(0.3 * std::sin(tau * 220.0 * t) + 0.02 * u(rng));
        v[i].f[HV_LFE] = float(0.2 * std::sin(tau * 45.0 * t));
        v[i].f[HV_SL] = float(0.2 * std::sin(tau * 1500.0 * t) + 0.05 * u(rng) + 0.1);  // with DC
        v[i].f[HV_SR] = float(0.2 * std::sin(tau * 3100.0 * t + 1.0) + 0.05 * u(rng));
    }
    return v;
}

// Runs `op` over `in` in chunks of `chunk` frames (0: all at once) and returns the frames.
inline FrameVec RunChunked(const FrameVec& in, uint32_t chunk, const std::function<void(HVFrames&)>& op) {
    FrameVec out;
    out.reserve(in.size());
    HVFrames buf;
    const uint32_t n = uint32_t(in.size());
    const uint32_t step = chunk ? chunk : n;
    for (uint32_t at = 0; at < n; at += step) {
        const uint32_t len = std::min(step, n - at);
        FillFrames(buf, &in[at], len);
        op(buf);
        out.insert(out.end(), buf.m_pData, buf.m_pData + len);
    }
    return out;
}

// Kernel tests: default settings at 44.1 kHz, history cleared before every test.
class KernelTest : public ::testing::Test {
protected:
    void SetUp() override { Configure(); }
    void TearDown() override { CHVFn::m_pConfig = nullptr; }

    // Publishes cfg_, recomputes the constants at `fs` and clears the history.
    void Configure(uint32_t fs = 44100) {
        CHVFn::m_pConfig = &cfg_;
        CHVFn::CalcStaticConstants(fs);
        CHVLib::Reset();
    }

    static CHVFn& Set(int s) { return s == 0 ? static_cast<CHVFn&>(g_fnx87) : static_cast<CHVFn&>(g_fnSSE2); }

    HVLIB_CONFIG cfg_;
};

inline const char* SetName(int s) { return s == 0 ? "scalar" : "SSE2"; }
