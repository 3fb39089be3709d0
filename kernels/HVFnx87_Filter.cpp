// Placeholder bodies; replaced by the real kernels.
#include "kernels/HVFnx87.h"

void CHVFnx87::FilterSamples(const BiquadCoeffs&, BiquadState&, HVBuffer<float>&) {}
void CHVFnx87::FilterSurrounds(const BiquadCoeffs&, BiquadState&, HVFrames&) {}
void CHVFnx87::SplitBands(const BiquadCoeffs&, BiquadState&, const HVFrames&, HVFrames&, HVFrames&) {}
