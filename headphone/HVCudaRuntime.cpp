// The real layer: NVIDIA's CUDA runtime (linked statically) and cuFFT. Without a driver or
// a device every call simply returns the runtime's error code; nothing is printed here.
//
// cuFFT is not linked but opened on the first plan: the library is some 280 MB and mapping
// it cost about 45 ms at every start of every program that loads the core, GPU or not,
// while plans are made only once a device has been chosen. It is looked up by its soname
// (the system's search path), then where the build found it. Once opened it stays open:
// the runtime instance below is never destroyed, and a late FftDestroy at exit still needs
// it. Without the library a plan fails with CUFFT_NOT_SUPPORTED and the path falls back as
// for any other cuFFT failure.
#include <cuda_runtime_api.h>
#include <cufft.h>
#include <dlfcn.h>

#include <mutex>
#include <new>

#include "headphone/CuFFT.h"
#include "headphone/HVCudaApi.h"

static_assert(sizeof(cufftComplex) == sizeof(HVCHUNK_02));
static_assert(int(cudaMemcpyHostToDevice) == CHVCudaApi::HostToDevice &&
              int(cudaMemcpyDeviceToHost) == CHVCudaApi::DeviceToHost &&
              int(cudaMemcpyDeviceToDevice) == CHVCudaApi::DeviceToDevice);
static_assert(int(CUFFT_R2C) == CHVCudaApi::R2C && int(CUFFT_C2R) == CHVCudaApi::C2R);

namespace {

class CufftLibrary {
public:
    using PlanFn = cufftResult (*)(cufftHandle*, int, cufftType, int);
    using ExecR2CFn = cufftResult (*)(cufftHandle, cufftReal*, cufftComplex*);
    using ExecC2RFn = cufftResult (*)(cufftHandle, cufftComplex*, cufftReal*);
    using DestroyFn = cufftResult (*)(cufftHandle);

    // Opens the library on the first call; true when all four entries were found.
    bool Ready() {
        std::call_once(once_, [this] { Open(); });
        return plan != nullptr;
    }

    PlanFn plan = nullptr;
    ExecR2CFn execR2C = nullptr;
    ExecC2RFn execC2R = nullptr;
    DestroyFn destroy = nullptr;

private:
    void Open() {
        void* h = nullptr;
        for (const char* name : {HV_CUFFT_SONAME, HV_CUFFT_PATH})
            if (name[0] && (h = dlopen(name, RTLD_NOW | RTLD_LOCAL))) break;
        if (!h) return;
        auto p = reinterpret_cast<PlanFn>(dlsym(h, "cufftPlan1d"));
        auto r2c = reinterpret_cast<ExecR2CFn>(dlsym(h, "cufftExecR2C"));
        auto c2r = reinterpret_cast<ExecC2RFn>(dlsym(h, "cufftExecC2R"));
        auto d = reinterpret_cast<DestroyFn>(dlsym(h, "cufftDestroy"));
        if (!p || !r2c || !c2r || !d) {
            dlclose(h);
            return;
        }
        execR2C = r2c, execC2R = c2r, destroy = d;
        plan = p;
    }

    std::once_flag once_;
};

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
        if (!cufft_.Ready()) return CUFFT_NOT_SUPPORTED;
        cufftHandle h = 0;
        cufftResult r = cufft_.plan(&h, n, cufftType(type), batch);
        *plan = h;
        return r;
    }

    int FftExecR2C(int plan, float* devIn, HVCHUNK_02* devOut) override {
        if (!cufft_.Ready()) return CUFFT_INVALID_PLAN;
        return cufft_.execR2C(plan, devIn, reinterpret_cast<cufftComplex*>(devOut));
    }

    int FftExecC2R(int plan, HVCHUNK_02* devIn, float* devOut) override {
        if (!cufft_.Ready()) return CUFFT_INVALID_PLAN;
        return cufft_.execC2R(plan, reinterpret_cast<cufftComplex*>(devIn), devOut);
    }

    int FftDestroy(int plan) override { return cufft_.Ready() ? cufft_.destroy(plan) : CUFFT_INVALID_PLAN; }

    void LaunchComplexPointwiseMul(HVCHUNK_02* devA, const HVCHUNK_02* devB, int size) override {
        ::LaunchComplexPointwiseMul(reinterpret_cast<float*>(devA),
                                    reinterpret_cast<const float*>(devB), size);
    }

private:
    CufftLibrary cufft_;
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
