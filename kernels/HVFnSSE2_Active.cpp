// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnSSE2.h"

void CHVFnSSE2::DecodeActive(HVFrames&) {}
void CHVFnSSE2::DetectSteering(BiquadState&, BiquadState&, const HVFrames&, HVBuffer<float>&, HVBuffer<float>&) {}
