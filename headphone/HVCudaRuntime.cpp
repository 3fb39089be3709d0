// The real layer: NVIDIA's CUDA runtime (linked statically) and cuFFT. Without a driver or
// a device every call simply returns the runtime's error code; nothing is printed here.
#include <cuda_runtime_api.h>
#include <cufft.h>

#include <new>

#include "headphone/CuFFT.h"
#include "headphone/HVCudaApi.h"

static_assert(sizeof(cufftComplex) == sizeof(HVCHUNK_02));
static_assert(int(cudaMemcpyHostToDevice) == CHVCudaApi::HostToDevice &&
              int(cudaMemcpyDeviceToHost) == CHVCudaApi::DeviceToHost &&
              int(cudaMemcpyDeviceToDevice) == CHVCudaApi::DeviceToDevice);
static_assert(int(CUFFT_R2C) == CHVCudaApi::R2C && int(CUFFT_C2R) == CHVCudaApi::C2R);

namespace {

class CHVCudaRuntime final : public CHVCudaApi {
public:
    int GetDeviceCount(int* count) override { return cudaGetDeviceCount(count); }

    int GetDeviceProperties(HVCUDA_DEVICE_PROPS* props, int device) override {
        // The property record says whether the device is usable; the clock comes as an
        // attribute (the record no longer carries it).
        cudaDeviceProp prop{};
        cudaError_t e = cudaGetDeviceProperties(&prop, device);
        if (e != cudaSuccess) return e;
        int clock = 0;
        e = cudaDeviceGetAttribute(&clock, cudaDevAttrClockRate, device);
        if (e != cudaSuccess) return e;
        props->clockRate = clock;
        props->multiProcessorCount = prop.multiProcessorCount;
        return cudaSuccess;
    }

    int SetDevice(int device) override { return cudaSetDevice(device); }
    int Malloc(void** devPtr, size_t bytes) override { return cudaMalloc(devPtr, bytes); }

    int Memcpy(void* dst, const void* src, size_t bytes, Copy kind) override {
        return cudaMemcpy(dst, src, bytes, cudaMemcpyKind(kind));
    }

    int Free(void* devPtr) override { return cudaFree(devPtr); }

    int MemGetInfo(size_t* freeBytes, size_t* totalBytes) override {
        return cudaMemGetInfo(freeBytes, totalBytes);
    }

    const char* GetErrorString(int error) override {
        return cudaGetErrorString(cudaError_t(error));
    }

    int FftPlan1d(int* plan, int n, FftType type, int batch) override {
        cufftHandle h = 0;
        cufftResult r = cufftPlan1d(&h, n, cufftType(type), batch);
        *plan = h;
        return r;
    }

    int FftExecR2C(int plan, float* devIn, HVCHUNK_02* devOut) override {
        return cufftExecR2C(plan, devIn, reinterpret_cast<cufftComplex*>(devOut));
    }

    int FftExecC2R(int plan, HVCHUNK_02* devIn, float* devOut) override {
        return cufftExecC2R(plan, reinterpret_cast<cufftComplex*>(devIn), devOut);
    }

    int FftDestroy(int plan) override { return cufftDestroy(plan); }

    void LaunchComplexPointwiseMul(HVCHUNK_02* devA, const HVCHUNK_02* devB, int size) override {
        ::LaunchComplexPointwiseMul(reinterpret_cast<float*>(devA),
                                    reinterpret_cast<const float*>(devB), size);
    }
};

}  // namespace

CHVCudaApi& HVCudaDefaultApi() {
    // Never destroyed: the engine destructor may still release device memory at exit.
    // Built in static storage rather than on the heap, so a host that unloads the module
    // takes it along instead of losing it.
    alignas(CHVCudaRuntime) static unsigned char storage[sizeof(CHVCudaRuntime)];
    static CHVCudaRuntime* const api = new (storage) CHVCudaRuntime;
    return *api;
}
