// CHVFnSSE2: the vector kernel set (SSE2 intrinsics only). Four lanes of single precision,
// rounded after every operation; its results are checked against CHVFnx87 in the tests.
//
// Frame operations work on the two aligned 4-float groups of a frame (slots 0-3, 4-7).
// Operations on one-float-per-frame data (steering detection and smoothing, the decoder's
// matrix) take four frames per step; a last group of fewer than four frames is run from a
// zero-padded local copy, so no access leaves the buffers' storage and a frame's result
// does not depend on where the chunk boundaries fall. Logarithm and exponential are
// VectorLog/VectorExp (kernels/VectorMath.h).
#pragma once

#include "kernels/HVFn.h"

class CHVFnSSE2 final : public CHVFn {
public:
    void DecodeActive(HVFrames& chunk) override;
    void DetectSteering(BiquadState& stX, BiquadState& stY, const HVFrames& in, HVBuffer<float>& outX,
                        HVBuffer<float>& outY) override;
    void DecodePassive(HVFrames& chunk) override;
    void ProcessHeadphones(uint32_t code, HVFrames& chunk) override;
    void EncodeMatrix(uint32_t code, HVFrames& chunk) override;
    void ShiftSurroundPhase(BiquadState& st, HVFrames& chunk) override;
    void FilterSamples(const BiquadCoeffs& c, BiquadState& st, HVBuffer<float>& buf) override;
    void FilterSurrounds(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) override;
    void SplitBands(const BiquadCoeffs& c, BiquadState& st, const HVFrames& in, HVFrames& high,
                    HVFrames& low) override;
    void RedirectBass(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) override;
    void DelayChannels(HVFrames& chunk, uint32_t flag) override;
    void ApplyGains(HVFrames& chunk, uint32_t flag) override;
    void ConvertU8Mono(const uint8_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS16Mono(const int16_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS24Mono(const uint8_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS32Mono(const int32_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertU8Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS16Stereo(const int16_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS24Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS32Stereo(const int32_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS16Five(const int16_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS24Five(const uint8_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS32Five(const int32_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS16Six(const int16_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS24Six(const uint8_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertS32Six(const int32_t* src, uint32_t n, HVFrames& dst) override;
    void ConvertSilence(uint32_t n, HVFrames& dst) override;
    void OutputS16Six(const HVFrames& src, HVBuffer<HVCHUNK_S16SIX>& dst) override;
    void OutputS24Six(const HVFrames& src, HVBuffer<HVCHUNK_S24SIX>& dst) override;
    void ConvertFloatMono(const float* src, uint32_t n, HVFrames& dst) override;
    void ConvertFloatStereo(const float* src, uint32_t n, HVFrames& dst) override;
    void ConvertFloatFive(const float* src, uint32_t n, HVFrames& dst) override;
    void ConvertFloatSix(const float* src, uint32_t n, HVFrames& dst) override;
    void OutputFloatMono(const HVFrames& src, HVBuffer<float>& dst) override;
    void OutputFloatStereo(const HVFrames& src, HVBuffer<HVCHUNK_02>& dst) override;
    void OutputFloatFive(const HVFrames& src, HVBuffer<HVCHUNK_05>& dst) override;
    void OutputFloatSix(const HVFrames& src, HVBuffer<HVCHUNK_06>& dst) override;
};
