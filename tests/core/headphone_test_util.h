// Helpers of the headphone-stage tests: a configuration in force, a clean stage, seeded
// noise, and a direct time-domain convolution in double as the independent reference.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/HVConfig.h"
#include "engine/HVLib.h"
#include "headphone/HVHeadphone.h"
#include "headphone/HVHeadphoneState.h"
#include "kernels/HVFn.h"

namespace hptest {

inline constexpr float kOutGain = 0.89125f;  // -1 dB of the stage

// Response (flavour, source L R C SL SR, ear) from the linked bank.
inline const float* Taps(int flavour, int source, int ear) {
    return HRIR_TABLE + ((flavour * 5 + source) * 2 + ear) * HP_BLOCK;
}

// Headphone mode at `rate`, no pre-decoding, processor path; the stage starts silent.
struct Stage {
    HVLIB_CONFIG cfg;
    explicit Stage(uint32_t rate = 44100, uint32_t flavour = 0) {
        cfg.dwMode = 3;
        cfg.dwHeadphonesMode = flavour;
        cfg.bHeadphonesDecodeMusic = cfg.bHeadphonesDecodeMovie = 0;
        CHVFn::m_pConfig = &cfg;
        CHVFn::CalcStaticConstants(rate);
        CHVLib::Reset();
    }
    ~Stage() { CHVFn::m_pConfig = nullptr; }
};

// n frames of seeded noise in the slots that `code` carries (LFE only for code 6).
inline void FillNoise(HVFrames& frames, uint32_t n, uint32_t code, uint32_t seed) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    frames.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        for (float& v : frames[i].f) v = 0.0f;
        frames[i].f[HV_L] = u(rng);
        frames[i].f[HV_R] = u(rng);
        if (code >= 5) {
            frames[i].f[HV_C] = u(rng);
            frames[i].f[HV_SL] = u(rng);
            frames[i].f[HV_SR] = u(rng);
        }
        if (code == 6) frames[i].f[HV_LFE] = u(rng);
    }
}

// Reference output sample `o` of ear `ear`: 0.89125 x sum over sources of the direct
// convolution of the source (LFE folded in at 2.235) with its response, in double.
inline double DirectConvolution(const std::vector<HVCHUNK_INTCHUNK>& in, int flavour, int ear, uint32_t o) {
    static const int kSlot[5] = {HV_L, HV_R, HV_C, HV_SL, HV_SR};
    double acc = 0.0;
    for (int s = 0; s < 5; ++s) {
        const float* h = Taps(flavour, s, ear);
        for (uint32_t k = 0; k < HP_BLOCK && k <= o; ++k) {
            const auto& f = in[o - k].f;
            double x = f[kSlot[s]];
            if (s < 2) x += 2.235 * f[HV_LFE];
            acc += x * h[k];
        }
    }
    return double(kOutGain) * acc;
}

}  // namespace hptest
