// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnSSE2.h"

void CHVFnSSE2::EncodeMatrix(uint32_t, HVFrames&) {}
void CHVFnSSE2::ShiftSurroundPhase(BiquadState&, HVFrames&) {}
