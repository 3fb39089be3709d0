#include "headphone/HVHeadphone.h"
#include "kernels/HVFnx87.h"

void CHVFnx87::ProcessHeadphones(uint32_t code, HVFrames& chunk) {
    HeadphoneProcess(*this, code, chunk, "HVFnx87");
}
