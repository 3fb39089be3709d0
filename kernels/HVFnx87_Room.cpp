// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnx87.h"

void CHVFnx87::DecodePassive(HVFrames&) {}
void CHVFnx87::RedirectBass(const BiquadCoeffs&, BiquadState&, HVFrames&) {}
void CHVFnx87::DelayChannels(HVFrames&, uint32_t) {}
void CHVFnx87::ApplyGains(HVFrames&, uint32_t) {}
