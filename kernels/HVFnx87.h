// CHVFnx87: the scalar kernel set, the reference for the vector set. Every output sample
// is formed in double precision and rounded once to float when stored.
#pragma once

#include "kernels/HVFn.h"

class CHVFnx87 final : public CHVFn {
public:
    using CHVFn::CHVFn;
    HV_KERNEL_SLOTS(HV_KERNEL_OVERRIDE)
};
