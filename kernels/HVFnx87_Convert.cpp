// Scalar converters. Integer samples: (integer as double) x scale, rounded once to float.
// Integer outputs: x 2^15 or 2^23, truncated toward zero, saturated.
#include "kernels/ConvertFloat.h"
#include "kernels/HVFnx87.h"
#include "kernels/KernelConstants.h"
#include "kernels/SampleFormats.h"

namespace {

// Frames from interleaved integer samples: kCh channels per frame landing in `slots`; the
// other slots of 0-5 become 0.0, slots 6 and 7 are not written.
template <int kCh, typename Reader>
void IntToFrames(Reader read, const int (&slots)[kCh], float scale, uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    const double s = scale;
    uint32_t j = 0;
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        f[0] = f[1] = f[2] = f[3] = f[4] = f[5] = 0.0f;
        for (int c = 0; c < kCh; ++c) f[slots[c]] = float(double(read(j++)) * s);
    }
}

// Truncation toward zero with saturation to [lo, hi]. NaN lands on lo, as the processor's
// "integer indefinite" result would after saturation.
inline int32_t TruncateSaturate(double v, double lo, double hi) {
    if (v >= hi) return int32_t(hi);
    if (v > lo) return int32_t(v);
    return int32_t(lo);
}

}  // namespace

void CHVFnx87::ConvertU8Mono(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadU8{src}, kSlotsMono, FDIV8, n, dst);
}
void CHVFnx87::ConvertS16Mono(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsMono, FDIV16, n, dst);
}
void CHVFnx87::ConvertS24Mono(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsMono, FDIV32, n, dst);
}
void CHVFnx87::ConvertS32Mono(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsMono, FDIV32, n, dst);
}
void CHVFnx87::ConvertU8Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadU8{src}, kSlotsStereo, FDIV8, n, dst);
}
void CHVFnx87::ConvertS16Stereo(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsStereo, FDIV16, n, dst);
}
void CHVFnx87::ConvertS24Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsStereo, FDIV32, n, dst);
}
void CHVFnx87::ConvertS32Stereo(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsStereo, FDIV32, n, dst);
}
void CHVFnx87::ConvertS16Five(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsFive, FDIV16, n, dst);
}
void CHVFnx87::ConvertS24Five(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsFive, FDIV32, n, dst);
}
void CHVFnx87::ConvertS32Five(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsFive, FDIV32, n, dst);
}
void CHVFnx87::ConvertS16Six(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsSix, FDIV16, n, dst);
}
void CHVFnx87::ConvertS24Six(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsSix, FDIV32, n, dst);
}
void CHVFnx87::ConvertS32Six(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsSix, FDIV32, n, dst);
}

void CHVFnx87::ConvertSilence(uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        f[0] = f[1] = f[2] = f[3] = f[4] = f[5] = 0.0f;
    }
}

void CHVFnx87::OutputS16Six(const HVFrames& src, HVBuffer<HVCHUNK_S16SIX>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i)
        for (int k = 0; k < 6; ++k)
            dst[i].s[k] = int16_t(TruncateSaturate(double(src[i].f[k]) * double(kS16Scale), kS16Min, kS16Max));
}

void CHVFnx87::OutputS24Six(const HVFrames& src, HVBuffer<HVCHUNK_S24SIX>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    for (uint32_t i = 0; i < n; ++i)
        for (int k = 0; k < 6; ++k)
            StoreS24(dst[i].b + 3 * k,
                     TruncateSaturate(double(src[i].f[k]) * double(kS24Scale), kS24Min, kS24Max));
}

void CHVFnx87::ConvertFloatMono(const float* src, uint32_t n, HVFrames& dst) { ConvertFloatMonoShared(src, n, dst); }
void CHVFnx87::ConvertFloatStereo(const float* src, uint32_t n, HVFrames& dst) {
    ConvertFloatStereoShared(src, n, dst);
}
void CHVFnx87::ConvertFloatFive(const float* src, uint32_t n, HVFrames& dst) { ConvertFloatFiveShared(src, n, dst); }
void CHVFnx87::ConvertFloatSix(const float* src, uint32_t n, HVFrames& dst) { ConvertFloatSixShared(src, n, dst); }
void CHVFnx87::OutputFloatMono(const HVFrames& src, HVBuffer<float>& dst) { OutputFloatMonoShared(src, dst); }
void CHVFnx87::OutputFloatStereo(const HVFrames& src, HVBuffer<HVCHUNK_02>& dst) {
    OutputFloatStereoShared(src, dst);
}
void CHVFnx87::OutputFloatFive(const HVFrames& src, HVBuffer<HVCHUNK_05>& dst) { OutputFloatFiveShared(src, dst); }
void CHVFnx87::OutputFloatSix(const HVFrames& src, HVBuffer<HVCHUNK_06>& dst) { OutputFloatSixShared(src, dst); }
