#include "kernels/HVFn.h"

CHVFn::~CHVFn() = default;
