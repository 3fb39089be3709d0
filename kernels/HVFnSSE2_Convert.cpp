// SSE2 converters. Integer samples are converted to float in the vector unit and multiplied
// by the scale in single precision: identical to the scalar set for 8, 16 and 24-bit
// sources (their integers are exact in float), within one unit in the last place for 32-bit
// sources (the int-to-float conversion rounds first). Integer outputs round to nearest.
// Every frame is written as its two aligned halves; slots 6 and 7 are never touched by the
// inputs (the upper half is stored as two floats).
#include <emmintrin.h>

#include "kernels/ConvertFloat.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/KernelConstants.h"
#include "kernels/SampleFormats.h"

namespace {

template <int kCh, typename Reader>
void IntToFrames(Reader read, const int (&slots)[kCh], float scale, uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    const __m128 s = _mm_set1_ps(scale);
    uint32_t j = 0;
    for (uint32_t i = 0; i < n; ++i) {
        alignas(16) int32_t v[8] = {};
        for (int c = 0; c < kCh; ++c) v[slots[c]] = read(j++);
        float* f = dst[i].f;
        const __m128 lo = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(v)));
        const __m128 hi = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(v + 4)));
        _mm_store_ps(f, _mm_mul_ps(lo, s));
        _mm_storel_pi(reinterpret_cast<__m64*>(f + 4), _mm_mul_ps(hi, s));
    }
}

// Scales slots 0-3 and 4-7 of a frame, clamps to [lo, hi] and rounds to nearest (the
// processor's default rounding). The clamp comes first so that huge values saturate instead
// of turning into the conversion's "integer indefinite"; NaN lanes land on lo.
inline void FrameToInts(const float* f, __m128 scale, __m128 lo, __m128 hi, int32_t (&out)[8]) {
    for (int h = 0; h < 2; ++h) {
        __m128 v = _mm_mul_ps(_mm_load_ps(f + 4 * h), scale);
        v = _mm_min_ps(_mm_max_ps(v, lo), hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * h), _mm_cvtps_epi32(v));
    }
}

}  // namespace

void CHVFnSSE2::ConvertU8Mono(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadU8{src}, kSlotsMono, FDIV8, n, dst);
}
void CHVFnSSE2::ConvertS16Mono(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsMono, FDIV16, n, dst);
}
void CHVFnSSE2::ConvertS24Mono(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsMono, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertS32Mono(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsMono, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertU8Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadU8{src}, kSlotsStereo, FDIV8, n, dst);
}
void CHVFnSSE2::ConvertS16Stereo(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsStereo, FDIV16, n, dst);
}
void CHVFnSSE2::ConvertS24Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsStereo, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertS32Stereo(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsStereo, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertS16Five(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsFive, FDIV16, n, dst);
}
void CHVFnSSE2::ConvertS24Five(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsFive, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertS32Five(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsFive, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertS16Six(const int16_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS16{src}, kSlotsSix, FDIV16, n, dst);
}
void CHVFnSSE2::ConvertS24Six(const uint8_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS24{src}, kSlotsSix, FDIV32, n, dst);
}
void CHVFnSSE2::ConvertS32Six(const int32_t* src, uint32_t n, HVFrames& dst) {
    IntToFrames(ReadS32{src}, kSlotsSix, FDIV32, n, dst);
}

void CHVFnSSE2::ConvertSilence(uint32_t n, HVFrames& dst) {
    dst.Resize(n);
    const __m128 z = _mm_setzero_ps();
    for (uint32_t i = 0; i < n; ++i) {
        float* f = dst[i].f;
        _mm_store_ps(f, z);
        _mm_storel_pi(reinterpret_cast<__m64*>(f + 4), z);
    }
}

void CHVFnSSE2::OutputS16Six(const HVFrames& src, HVBuffer<HVCHUNK_S16SIX>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    const __m128 scale = _mm_set1_ps(kS16Scale), lo = _mm_set1_ps(kS16Min), hi = _mm_set1_ps(kS16Max);
    for (uint32_t i = 0; i < n; ++i) {
        int32_t v[8];
        FrameToInts(src[i].f, scale, lo, hi, v);
        for (int k = 0; k < 6; ++k) dst[i].s[k] = int16_t(v[k]);
    }
}

void CHVFnSSE2::OutputS24Six(const HVFrames& src, HVBuffer<HVCHUNK_S24SIX>& dst) {
    const uint32_t n = src.m_dwCount;
    dst.Resize(n);
    const __m128 scale = _mm_set1_ps(kS24Scale), lo = _mm_set1_ps(kS24Min), hi = _mm_set1_ps(kS24Max);
    for (uint32_t i = 0; i < n; ++i) {
        int32_t v[8];
        FrameToInts(src[i].f, scale, lo, hi, v);
        for (int k = 0; k < 6; ++k) StoreS24(dst[i].b + 3 * k, v[k]);
    }
}

void CHVFnSSE2::ConvertFloatMono(const float* src, uint32_t n, HVFrames& dst) { ConvertFloatMonoShared(src, n, dst); }
void CHVFnSSE2::ConvertFloatStereo(const float* src, uint32_t n, HVFrames& dst) {
    ConvertFloatStereoShared(src, n, dst);
}
void CHVFnSSE2::ConvertFloatFive(const float* src, uint32_t n, HVFrames& dst) { ConvertFloatFiveShared(src, n, dst); }
void CHVFnSSE2::ConvertFloatSix(const float* src, uint32_t n, HVFrames& dst) { ConvertFloatSixShared(src, n, dst); }
void CHVFnSSE2::OutputFloatMono(const HVFrames& src, HVBuffer<float>& dst) { OutputFloatMonoShared(src, dst); }
void CHVFnSSE2::OutputFloatStereo(const HVFrames& src, HVBuffer<HVCHUNK_02>& dst) {
    OutputFloatStereoShared(src, dst);
}
void CHVFnSSE2::OutputFloatFive(const HVFrames& src, HVBuffer<HVCHUNK_05>& dst) { OutputFloatFiveShared(src, dst); }
void CHVFnSSE2::OutputFloatSix(const HVFrames& src, HVBuffer<HVCHUNK_06>& dst) { OutputFloatSixShared(src, dst); }
