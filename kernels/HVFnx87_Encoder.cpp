// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnx87.h"

void CHVFnx87::EncodeMatrix(uint32_t, HVFrames&) {}
void CHVFnx87::ShiftSurroundPhase(BiquadState&, HVFrames&) {}
