#include "headphone/HVHeadphone.h"
#include "kernels/HVFnSSE2.h"

void CHVFnSSE2::ProcessHeadphones(uint32_t code, HVFrames& chunk) {
    HeadphoneProcess(*this, code, chunk, "HVFnSSE2");
}
