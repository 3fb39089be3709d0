// CHVFn: the kernel interface. Every piece of sample arithmetic runs behind it.
//
// Two implementations, CHVFnx87 (scalar: each output formed in double precision, rounded
// once to float) and CHVFnSSE2 (4-lane single precision, rounded after every operation),
// chosen per chunk. A kernel object holds no data of its own: it works on the stream state
// it was bound to (HVKernelState: filter memories, delay lines, work buffers, derived
// constants). Both sets of one stream are bound to the same state, so the engine may switch
// sets between chunks without a discontinuity.
//
// Threads: the audio thread of the bound stream, one chunk at a time.
// Buffers: every operation processes exactly m_dwCount frames, in place unless stated.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"
#include "kernels/Biquad.h"
#include "kernels/HVKernelState.h"

// The `flag` word of ApplyGains and DelayChannels: which set-up the stage runs for.
enum HVStageFlag : uint32_t {
    HV_FLAG_HEADPHONES = 0,  // master gain on L and R only; surround delay of the headphone flavour
    HV_FLAG_ROOM = 1,        // trims x master gain on all six; the room delays
};

// The kernel slots after the destructor (slot 0), in slot order: X(name, parameters).
// Integer host audio in (ConvertU8Mono .. ConvertSilence): sources are little-endian;
// 24-bit samples are three bytes, sign-extended; 8-bit samples are unsigned with 128 as
// zero. Integer out (OutputS16Six, OutputS24Six): scale by 2^15 / 2^23, saturate; scalar
// truncates, SSE2 rounds. Float host audio in and out: identical in both sets.
#define HV_KERNEL_SLOTS(X)                                                                                   \
    X(DecodeActive, (HVFrames & chunk))                                                                      \
    X(DetectSteering,                                                                                        \
      (BiquadState & stX, BiquadState & stY, const HVFrames& in, HVBuffer<float>& outX, HVBuffer<float>& outY)) \
    X(DecodePassive, (HVFrames & chunk))                                                                     \
    X(EncodeMatrix, (uint32_t code, HVFrames & chunk))                                                       \
    X(ShiftSurroundPhase, (BiquadState & st, HVFrames & chunk))                                              \
    X(FilterSamples, (const BiquadCoeffs& c, BiquadState& st, HVBuffer<float>& buf))                         \
    X(FilterSurrounds, (const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk))                            \
    X(SplitBands, (const BiquadCoeffs& c, BiquadState& st, const HVFrames& in, HVFrames& high, HVFrames& low)) \
    X(RedirectBass, (const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk))                               \
    X(DelayChannels, (HVFrames & chunk, uint32_t flag))                                                      \
    X(ApplyGains, (HVFrames & chunk, uint32_t flag))                                                         \
    X(ConvertU8Mono, (const uint8_t* src, uint32_t n, HVFrames& dst))                                        \
    X(ConvertS16Mono, (const int16_t* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertS24Mono, (const uint8_t* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertS32Mono, (const int32_t* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertU8Stereo, (const uint8_t* src, uint32_t n, HVFrames& dst))                                      \
    X(ConvertS16Stereo, (const int16_t* src, uint32_t n, HVFrames& dst))                                     \
    X(ConvertS24Stereo, (const uint8_t* src, uint32_t n, HVFrames& dst))                                     \
    X(ConvertS32Stereo, (const int32_t* src, uint32_t n, HVFrames& dst))                                     \
    X(ConvertS16Five, (const int16_t* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertS24Five, (const uint8_t* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertS32Five, (const int32_t* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertS16Six, (const int16_t* src, uint32_t n, HVFrames& dst))                                        \
    X(ConvertS24Six, (const uint8_t* src, uint32_t n, HVFrames& dst))                                        \
    X(ConvertS32Six, (const int32_t* src, uint32_t n, HVFrames& dst))                                        \
    X(ConvertSilence, (uint32_t n, HVFrames & dst))                                                          \
    X(OutputS16Six, (const HVFrames& src, HVBuffer<HVCHUNK_S16SIX>& dst))                                    \
    X(OutputS24Six, (const HVFrames& src, HVBuffer<HVCHUNK_S24SIX>& dst))                                    \
    X(ConvertFloatMono, (const float* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertFloatStereo, (const float* src, uint32_t n, HVFrames& dst))                                     \
    X(ConvertFloatFive, (const float* src, uint32_t n, HVFrames& dst))                                       \
    X(ConvertFloatSix, (const float* src, uint32_t n, HVFrames& dst))                                        \
    X(OutputFloatMono, (const HVFrames& src, HVBuffer<float>& dst))                                          \
    X(OutputFloatStereo, (const HVFrames& src, HVBuffer<HVCHUNK_02>& dst))                                   \
    X(OutputFloatFive, (const HVFrames& src, HVBuffer<HVCHUNK_05>& dst))                                     \
    X(OutputFloatSix, (const HVFrames& src, HVBuffer<HVCHUNK_06>& dst))

#define HV_KERNEL_PURE(name, params) virtual void name params = 0;
#define HV_KERNEL_OVERRIDE(name, params) void name params override;

class CHVFn {
public:
    explicit CHVFn(HVKernelState& state) : m_s(state) {}
    virtual ~CHVFn();
    CHVFn(const CHVFn&) = delete;
    CHVFn& operator=(const CHVFn&) = delete;

    HV_KERNEL_SLOTS(HV_KERNEL_PURE)

protected:
    HVKernelState& m_s;  // the stream this set works for
};
