// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnx87.h"

void CHVFnx87::DecodeActive(HVFrames&) {}
void CHVFnx87::DetectSteering(BiquadState&, BiquadState&, const HVFrames&, HVBuffer<float>&, HVBuffer<float>&) {}
