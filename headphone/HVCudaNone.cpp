// Build without the CUDA toolkit: a layer that reports no device. The device choice then
// yields no support and nothing else is ever called.
#include <new>

#include "headphone/HVCudaApi.h"

namespace {

constexpr int kNoDevice = 100;  // the runtime's "no CUDA-capable device" code

class CHVCudaNone final : public CHVCudaApi {
public:
    int GetDeviceCount(int* count) override {
        *count = 0;
        return kNoDevice;
    }
    int GetDeviceProperties(HVCUDA_DEVICE_PROPS*, int) override { return kNoDevice; }
    int SetDevice(int) override { return kNoDevice; }
    int Malloc(void** devPtr, size_t) override {
        *devPtr = nullptr;
        return kNoDevice;
    }
    int Memcpy(void*, const void*, size_t, Copy) override { return kNoDevice; }
    int Free(void*) override { return kNoDevice; }
    int MemGetInfo(size_t* freeBytes, size_t* totalBytes) override {
        *freeBytes = *totalBytes = 0;
        return kNoDevice;
    }
    const char* GetErrorString(int) override { return "no CUDA-capable device is detected"; }
    int FftPlan1d(int* plan, int, FftType, int) override {
        *plan = 0;
        return 1;  // invalid plan
    }
    int FftExecR2C(int, float*, HVCHUNK_02*) override { return 1; }
    int FftExecC2R(int, HVCHUNK_02*, float*) override { return 1; }
    int FftDestroy(int) override { return 1; }
    void LaunchComplexPointwiseMul(HVCHUNK_02*, const HVCHUNK_02*, int) override {}
};

}  // namespace

CHVCudaApi& HVCudaDefaultApi() {
    // Never destroyed: the engine destructor may still ask for it at process exit.
    // Built in static storage rather than on the heap, so a host that unloads the module
    // takes it along instead of losing it.
    alignas(CHVCudaNone) static unsigned char storage[sizeof(CHVCudaNone)];
    static CHVCudaNone* const api = new (storage) CHVCudaNone;
    return *api;
}
