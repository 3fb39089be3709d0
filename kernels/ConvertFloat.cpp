#include "kernels/ConvertFloat.h"

namespace {
// Clears slots 0-5 of a frame (6 and 7 are left alone).
inline void ClearSix(float* f) {
    f[0] = f[1] = f[2] = f[3] = f[4] = f[5] = 0.0f;
}
}  // namespace

void ConvertFloatMonoShared(const float* src, uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        ClearSix(f);
        f[HV_C] = src[i];
    }
}

void ConvertFloatStereoShared(const float* src, uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        const float* s = src + 2 * size_t(i);
        f[HV_L] = s[0];
        f[HV_R] = s[1];
        f[HV_C] = f[HV_LFE] = f[HV_SL] = f[HV_SR] = 0.0f;
    }
}

void ConvertFloatFiveShared(const float* src, uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        const float* s = src + 5 * size_t(i);
        f[HV_L] = s[0];
        f[HV_R] = s[1];
        f[HV_C] = s[2];
        f[HV_LFE] = 0.0f;
        f[HV_SL] = s[3];
        f[HV_SR] = s[4];
    }
}

void ConvertFloatSixShared(const float* src, uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        const float* s = src + 6 * size_t(i);
        for (int k = 0; k < 6; ++k) f[k] = s[k];
    }
}

void OutputFloatMonoShared(const HVFrames& src, HVBuffer<float>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) dst[i] = src[i].f[HV_C];
}

void OutputFloatStereoShared(const HVFrames& src, HVBuffer<HVCHUNK_02>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        const float* f = src[i].f;
        dst[i] = HVCHUNK_02{f[HV_L], f[HV_R]};
    }
}

void OutputFloatFiveShared(const HVFrames& src, HVBuffer<HVCHUNK_05>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        const float* f = src[i].f;
        dst[i] = HVCHUNK_05{f[HV_L], f[HV_R], f[HV_C], f[HV_SL], f[HV_SR]};
    }
}

void OutputFloatSixShared(const HVFrames& src, HVBuffer<HVCHUNK_06>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        const float* f = src[i].f;
        dst[i] = HVCHUNK_06{f[HV_L], f[HV_R], f[HV_C], f[HV_LFE], f[HV_SL], f[HV_SR]};
    }
}
