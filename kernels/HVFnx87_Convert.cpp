// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnx87.h"

void CHVFnx87::ConvertU8Mono(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS16Mono(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS24Mono(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS32Mono(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertU8Stereo(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS16Stereo(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS24Stereo(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS32Stereo(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS16Five(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS24Five(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS32Five(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS16Six(const int16_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS24Six(const uint8_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertS32Six(const int32_t*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertSilence(uint32_t, HVFrames&) {}
void CHVFnx87::OutputS16Six(const HVFrames&, HVBuffer<HVCHUNK_S16SIX>&) {}
void CHVFnx87::OutputS24Six(const HVFrames&, HVBuffer<HVCHUNK_S24SIX>&) {}
void CHVFnx87::ConvertFloatMono(const float*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertFloatStereo(const float*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertFloatFive(const float*, uint32_t, HVFrames&) {}
void CHVFnx87::ConvertFloatSix(const float*, uint32_t, HVFrames&) {}
void CHVFnx87::OutputFloatMono(const HVFrames&, HVBuffer<float>&) {}
void CHVFnx87::OutputFloatStereo(const HVFrames&, HVBuffer<HVCHUNK_02>&) {}
void CHVFnx87::OutputFloatFive(const HVFrames&, HVBuffer<HVCHUNK_05>&) {}
void CHVFnx87::OutputFloatSix(const HVFrames&, HVBuffer<HVCHUNK_06>&) {}
