// CHVFnSSE2: the vector kernel set (SSE2 intrinsics only). Four lanes of single precision,
// rounded after every operation; its results are checked against CHVFnx87 in the tests.
//
// Frame operations work on the two aligned 4-float groups of a frame (slots 0-3, 4-7).
// Operations on one-float-per-frame data (steering detection and smoothing, the decoder's
// matrix) take four frames per step; a last group of fewer than four frames is run from a
// zero-padded local copy, so no access leaves the buffers' storage and a frame's result
// does not depend on where the chunk boundaries fall. Logarithm and exponential are
// VectorLog/VectorExp (kernels/VectorMath.h).
#pragma once

#include "kernels/HVFn.h"

class CHVFnSSE2 final : public CHVFn {
public:
    using CHVFn::CHVFn;
    HV_KERNEL_SLOTS(HV_KERNEL_OVERRIDE)
};
