// Build without the CUDA toolkit: no device, no GPU work.
#include "headphone/HVGpu.h"

int g_bGPUInit = 0;

int SelectCUDADevice() { return 0; }
int FindFastestCUDADevice() { return 0; }
void InitGPUResources() {}
void ReleaseGPUResources() {}
bool GpuConvolveBlock(int, const char*) { return false; }
