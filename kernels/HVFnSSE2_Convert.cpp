// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnSSE2.h"

void CHVFnSSE2::ConvertU8Mono(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS16Mono(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS24Mono(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS32Mono(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertU8Stereo(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS16Stereo(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS24Stereo(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS32Stereo(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS16Five(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS24Five(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS32Five(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS16Six(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS24Six(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertS32Six(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertSilence(uint32_t, HVFrames&) {}
void CHVFnSSE2::OutputS16Six(const HVFrames&, HVBuffer<HVCHUNK_S16SIX>&) {}
void CHVFnSSE2::OutputS24Six(const HVFrames&, HVBuffer<HVCHUNK_S24SIX>&) {}
void CHVFnSSE2::ConvertFloatMono(const float*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertFloatStereo(const float*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertFloatFive(const float*, uint32_t, HVFrames&) {}
void CHVFnSSE2::ConvertFloatSix(const float*, uint32_t, HVFrames&) {}
void CHVFnSSE2::OutputFloatMono(const HVFrames&, HVBuffer<float>&) {}
void CHVFnSSE2::OutputFloatStereo(const HVFrames&, HVBuffer<HVCHUNK_02>&) {}
void CHVFnSSE2::OutputFloatFive(const HVFrames&, HVBuffer<HVCHUNK_05>&) {}
void CHVFnSSE2::OutputFloatSix(const HVFrames&, HVBuffer<HVCHUNK_06>&) {}
