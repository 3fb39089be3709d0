// Host entry of the GPU program's one kernel, ComplexPointwiseMul_ (CuFFT.cu).
//
// devA and devB are device arrays of `size` complex values stored as (re, im) float pairs
// (float2). Launches 32 blocks of 512 threads on the default stream without dynamic shared
// memory and returns at once; the launch result is not examined. The next synchronous
// copy on the default stream waits for the kernel.
#pragma once

void LaunchComplexPointwiseMul(float* devA, const float* devB, int size);
