// The GPU program: the bin-wise complex product of the headphone convolution.
#include "headphone/CuFFT.h"

// a[i] = a[i] * b[i] for i < size, complex, no scaling. Grid-stride loop: with 32 x 512
// threads and 8193 bins each thread handles at most one bin. The roundings are spelt out
// so that the compiler cannot contract them differently: the real part is two rounded
// products and a rounded difference; the imaginary part is one fused multiply-add of
// x.x * y.y onto the rounded product y.x * x.y.
__global__ void ComplexPointwiseMul_(float2* a, const float2* b, int size) {
    const int threads = blockDim.x * gridDim.x;
    for (int i = blockIdx.x * blockDim.x + threadIdx.x; i < size; i += threads) {
        const float2 x = a[i];
        const float2 y = b[i];
        float2 r;
        r.x = __fsub_rn(__fmul_rn(x.x, y.x), __fmul_rn(x.y, y.y));
        r.y = __fmaf_rn(x.x, y.y, __fmul_rn(y.x, x.y));
        a[i] = r;
    }
}

void LaunchComplexPointwiseMul(float* devA, const float* devB, int size) {
    ComplexPointwiseMul_<<<32, 512>>>(reinterpret_cast<float2*>(devA),
                                      reinterpret_cast<const float2*>(devB), size);
}
