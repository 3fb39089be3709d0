// Helpers shared by the core tests: seeded signals, the engine set-up the chunk handler
// uses, the two kernel sets side by side, chunked runs, and the headphone stage.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "headphone/HVHeadphone.h"
#include "headphone/HVHeadphoneState.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"

using FrameVec = std::vector<HVCHUNK_INTCHUNK>;

// Frame counts that leave every possible remainder after groups of four.
inline constexpr uint32_t kOddLengths[] = {1, 3, 5, 17, 1023};

// The stream the stage tests work on, its kernel state and headphone stage.
inline CHVLib& TestLib() {
    static CHVLib lib;
    return lib;
}
inline HVKernelState& St() { return TestLib().State(); }
inline HVHeadphoneState& HP() { return TestLib().Headphone(); }

inline CHVFn& Set(int s) {
    return s == 0 ? static_cast<CHVFn&>(TestLib().Scalar()) : static_cast<CHVFn&>(TestLib().Vector());
}
inline const char* SetName(int s) {
    return s == 0 ? "scalar" : "SSE2";
}

// Seeded uniform noise in [-amp, amp].
inline std::vector<float> Noise(size_t n, float amp = 1.0f, uint32_t seed = 3141592653u) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> d(-amp, amp);
    std::vector<float> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

// Frames of seeded noise in [-amp, amp] in the slots a layout code carries: L R below 5,
// also C SL SR from 5, LFE for 6, and all eight slots for code 8.
inline FrameVec NoiseFrames(uint32_t n, uint32_t seed, uint32_t code = 8, float amp = 1.0f) {
    static const bool kUsed[4][8] = {{1, 1, 0, 0, 0, 0, 0, 0},
                                     {1, 1, 1, 0, 1, 1, 0, 0},
                                     {1, 1, 1, 1, 1, 1, 0, 0},
                                     {1, 1, 1, 1, 1, 1, 1, 1}};
    const bool* used = kUsed[code < 5 ? 0 : code == 5 ? 1 : code == 6 ? 2 : 3];
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> d(-amp, amp);
    FrameVec v(n, HVCHUNK_INTCHUNK{});
    for (auto& f : v)
        for (int k = 0; k < 8; ++k)
            if (used[k]) f.f[k] = d(rng);
    return v;
}

inline void Load(HVFrames& dst, const HVCHUNK_INTCHUNK* src, uint32_t n) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) dst[i] = src[i];
}
inline void Load(HVFrames& dst, const FrameVec& v) {
    Load(dst, v.data(), uint32_t(v.size()));
}
inline FrameVec ToVec(const HVFrames& f) {
    return FrameVec(f.m_pData, f.m_pData + f.m_dwCount);
}

// Bit-for-bit equality of two runs.
inline bool Same(const FrameVec& a, const FrameVec& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0;
}

// Largest difference over `slots` between the scalar run `a` and the SSE2 run `b`; long
// runs print it, so the log shows the margin left under the tolerance.
inline double CrossSetWorst(const FrameVec& a, const FrameVec& b, std::initializer_list<int> slots) {
    double worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int c : slots) worst = std::max(worst, double(std::fabs(a[i].f[c] - b[i].f[c])));
    if (a.size() > 1000)
        std::cout << "scalar vs SSE2, " << a.size() << " frames: worst difference " << worst << "\n";
    return worst;
}

// Runs `op` over `in` (leaving memories behind), then over an empty chunk, which must stay
// empty and leave every memory in `state` as it was.
inline void ExpectEmptyChunkMovesNothing(const FrameVec& in, std::initializer_list<const BiquadState*> state,
                                         const std::function<void(HVFrames&)>& op) {
    HVFrames f;
    Load(f, in);
    op(f);
    std::vector<BiquadState> before;
    for (const BiquadState* p : state) before.push_back(*p);
    f.Resize(0);
    op(f);
    EXPECT_EQ(f.m_dwCount, 0u);
    size_t k = 0;
    for (const BiquadState* p : state) EXPECT_EQ(std::memcmp(p, &before[k++], sizeof *p), 0) << "memory " << k;
}

// Publishes `cfg` as the configuration in force, recomputes the derived constants for `fs`
// and clears the processing history, as the chunk handler does after a flush.
inline void StartEngine(const HVLIB_CONFIG& cfg, uint32_t fs) {
    TestLib().SetConfig(&cfg);
    TestLib().CalcStaticConstants(fs);
    TestLib().Reset();
}

// Stereo programme with a bit of everything the steering reacts to: a centred bass line,
// a melody panned slowly across, an out-of-phase ambience component and seeded noise.
// LFE holds 0.25 and the spares -7 and 7, which the decoders must pass through.
inline FrameVec MusicLikeStereo(uint32_t n, uint32_t seed = 3141592653u) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    FrameVec v(n, HVCHUNK_INTCHUNK{});
    const double w = 2.0 * M_PI / 44100.0;
    for (uint32_t i = 0; i < n; ++i) {
        const double bass = 0.3 * std::sin(w * 82.4 * i);
        const double melody = 0.25 * std::sin(w * 659.3 * i + 0.3 * std::sin(w * 5.0 * i));
        const double pan = 0.5 + 0.5 * std::sin(w * 0.7 * i), amb = 0.1 * std::sin(w * 2300.0 * i);
        const double nl = 0.05 * u(rng), nr = 0.05 * u(rng);
        v[i].f[HV_L] = float(bass + melody * std::sqrt(1.0 - pan) + amb + nl);
        v[i].f[HV_R] = float(bass + melody * std::sqrt(pan) - amb + nr);
        v[i].f[HV_LFE] = 0.25f;
        v[i].f[6] = -7.0f;
        v[i].f[7] = 7.0f;
    }
    return v;
}

// Five-channel programme with band content in every channel and DC in SL.
inline FrameVec MusicLikeSix(uint32_t n, uint32_t seed = 8392829u) {
    FrameVec v = MusicLikeStereo(n, seed);
    std::minstd_rand rng(seed + 1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const double w = 2.0 * M_PI / 44100.0;
    for (uint32_t i = 0; i < n; ++i) {
        v[i].f[HV_C] = float(0.3 * std::sin(w * 220.0 * i) + 0.02 * u(rng));
        v[i].f[HV_LFE] = float(0.2 * std::sin(w * 45.0 * i));
        v[i].f[HV_SL] = float(0.2 * std::sin(w * 1500.0 * i) + 0.05 * u(rng) + 0.1);
        v[i].f[HV_SR] = float(0.2 * std::sin(w * 3100.0 * i + 1.0) + 0.05 * u(rng));
    }
    return v;
}

// Tones and responses at 44.1 kHz: z^-k at `hz`, the transfer function of a section with
// b2 = b0, a unit cosine in one slot, and the complex amplitude (a e^{j phi} for
// a cos(w n + phi)) of `hz` in one slot over `len` frames from `from`.
inline std::complex<double> Z(double hz, int k) {
    return std::polar(1.0, -2.0 * M_PI * hz * k / 44100.0);
}
inline std::complex<double> BiquadResponse(const BiquadCoeffs& c, double hz) {
    return (double(c.b0) + double(c.b1) * Z(hz, 1) + double(c.b0) * Z(hz, 2)) /
           (1.0 + double(c.a1) * Z(hz, 1) + double(c.a2) * Z(hz, 2));
}
inline FrameVec ToneIn(uint32_t n, int slot, double hz) {
    FrameVec v(n, HVCHUNK_INTCHUNK{});
    for (uint32_t i = 0; i < n; ++i) v[i].f[slot] = float(std::cos(2.0 * M_PI * hz * i / 44100.0));
    return v;
}
inline std::complex<double> Phasor(const FrameVec& v, int slot, size_t from, size_t len, double hz) {
    std::complex<double> acc = 0.0;
    for (size_t i = from; i < from + len; ++i) acc += double(v[i].f[slot]) * Z(hz, int(i));
    return 2.0 * acc / double(len);
}

// Runs `op` over `in` in chunks of `chunk` frames (0: all at once) and returns the frames
// the operation leaves (as many as it returns, so stages that hold frames back fit too).
inline FrameVec RunChunked(const FrameVec& in, uint32_t chunk, const std::function<void(HVFrames&)>& op) {
    FrameVec out;
    HVFrames buf;
    const uint32_t n = uint32_t(in.size()), step = chunk ? chunk : n;
    for (uint32_t at = 0; at < n; at += step) {
        Load(buf, &in[at], std::min(step, n - at));
        op(buf);
        out.insert(out.end(), buf.m_pData, buf.m_pData + buf.m_dwCount);
    }
    return out;
}

// Kernel tests: default settings at 44.1 kHz, history cleared before every test.
class KernelTest : public ::testing::Test {
  protected:
    void SetUp() override { Configure(); }
    void TearDown() override { TestLib().SetConfig(nullptr); }
    void Configure(uint32_t fs = 44100) { StartEngine(cfg_, fs); }
    HVLIB_CONFIG cfg_;
};

// Headphone stage.
inline constexpr float kOutGain = 0.89125f;  // -1 dB of the stage

// Response (flavour, source L R C SL SR, ear) from the linked bank.
inline const float* Taps(int flavour, int source, int ear) {
    return HRIR_TABLE + ((flavour * 5 + source) * 2 + ear) * HP_BLOCK;
}

// Headphone mode at `rate`, no pre-decoding, processor path (CUDA off, so exact results
// never depend on a GPU being present); the stage starts silent.
struct Stage {
    HVLIB_CONFIG cfg;
    explicit Stage(uint32_t rate = 44100, uint32_t flavour = 0) {
        cfg.dwMode = 3, cfg.dwHeadphonesMode = flavour, cfg.bCUDA = 0;
        cfg.bHeadphonesDecodeMusic = cfg.bHeadphonesDecodeMovie = 0;
        StartEngine(cfg, rate);
    }
    ~Stage() { TestLib().SetConfig(nullptr); }
};
