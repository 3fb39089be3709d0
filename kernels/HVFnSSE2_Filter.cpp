// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnSSE2.h"

void CHVFnSSE2::FilterSamples(const BiquadCoeffs&, BiquadState&, HVBuffer<float>&) {}
void CHVFnSSE2::FilterSurrounds(const BiquadCoeffs&, BiquadState&, HVFrames&) {}
void CHVFnSSE2::SplitBands(const BiquadCoeffs&, BiquadState&, const HVFrames&, HVFrames&, HVFrames&) {}
