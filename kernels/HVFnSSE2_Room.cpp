// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnSSE2.h"

void CHVFnSSE2::DecodePassive(HVFrames&) {}
void CHVFnSSE2::RedirectBass(const BiquadCoeffs&, BiquadState&, HVFrames&) {}
void CHVFnSSE2::DelayChannels(HVFrames&, uint32_t) {}
void CHVFnSSE2::ApplyGains(HVFrames&, uint32_t) {}
