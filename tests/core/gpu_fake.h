// A CUDA layer for tests: a configurable device list, device memory emulated in host
// memory with bounds and direction checks, cuFFT emulated with kissfft (same sign and
// scaling contract), the kernel emulated with the same roundings, a call log, and failure
// injection at the n-th tested call (every call except the device query and the kernel).
#pragma once

#include <kiss_fftr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "headphone/HVCudaApi.h"

class FakeCuda final : public CHVCudaApi {
  public:
    static constexpr int kOutOfMemory = 2;  // runtime code of injected failures
    static constexpr size_t kTotalMemory = size_t(1) << 30;

    struct Call {
        std::string name;           // the method, without Get/Fft prefixes ("Malloc", "ExecR2C", "Props")
        const void* dst = nullptr;  // Malloc result / Memcpy dst / Free ptr / Exec in / Launch a
        const void* src = nullptr;  // Memcpy src / Exec out / Launch b
        size_t bytes = 0;           // Malloc, Memcpy bytes; Plan n; Launch size
        int kind = 0;               // Memcpy direction; Plan type; Props / SetDevice index
        int plan = 0;
    };

    std::vector<HVCUDA_DEVICE_PROPS> devices;
    std::vector<int> unusableDevices;  // property queries fail for these indices
    std::vector<Call> log;
    std::vector<std::string> violations;  // misuse detected (bad pointer, size, direction)
    int failAt = 0;                       // 1-based index of the tested call that fails; 0 never
    int testedCalls = 0, failedCalls = 0;
    size_t failedLogIndex = 0;  // log index of the injected failure

    ~FakeCuda() override {
        for (auto& p : plans_) kiss_fftr_free(p.second.cfg);
        for (auto& a : mem_) delete[] a.second.data;
    }

    size_t LiveAllocations() const { return mem_.size(); }
    size_t LivePlans() const { return plans_.size(); }
    size_t Count(const std::string& name) const {
        size_t n = 0;
        for (auto& c : log) n += c.name == name;
        return n;
    }
    // Device memory as host floats (for checks); null when p is not device memory.
    const float* Peek(const void* p, size_t bytes) const { return Find(p, bytes); }

    int GetDeviceCount(int* count) override {
        log.push_back({"Count"});
        *count = int(devices.size());
        return devices.empty() ? 100 : 0;
    }
    int GetDeviceProperties(HVCUDA_DEVICE_PROPS* props, int device) override {
        log.push_back({"Props", nullptr, nullptr, 0, device});
        if (device < 0 || device >= int(devices.size())) return 101;  // invalid device
        for (int u : unusableDevices)
            if (u == device) return 101;
        *props = devices[size_t(device)];
        return 0;
    }
    int SetDevice(int device) override {
        log.push_back({"SetDevice", nullptr, nullptr, 0, device});
        return 0;
    }

    int Malloc(void** devPtr, size_t bytes) override {
        log.push_back({"Malloc", nullptr, nullptr, bytes});
        if (Inject()) return kOutOfMemory;
        float* data = new float[(bytes + 3) / 4]();
        mem_[reinterpret_cast<uintptr_t>(data)] = {data, bytes};
        *devPtr = data;
        log.back().dst = data;
        return 0;
    }
    int Memcpy(void* dst, const void* src, size_t bytes, Copy kind) override {
        log.push_back({"Memcpy", dst, src, bytes, int(kind)});
        if (Inject()) return kOutOfMemory;
        const bool dstDev = kind != DeviceToHost, srcDev = kind != HostToDevice;
        if (dstDev != bool(Find(dst, bytes)) || (!dstDev && Find(dst, 1)))
            violations.push_back("Memcpy destination does not match the direction");
        if (srcDev != bool(Find(src, bytes)) || (!srcDev && Find(src, 1)))
            violations.push_back("Memcpy source does not match the direction");
        if (dst && src) std::memmove(dst, src, bytes);
        return 0;
    }
    int Free(void* devPtr) override {
        log.push_back({"Free", devPtr});
        if (Inject()) return kOutOfMemory;
        auto it = mem_.find(reinterpret_cast<uintptr_t>(devPtr));
        if (it == mem_.end())
            return violations.push_back("Free of a pointer that is not a live allocation"), 1;
        delete[] it->second.data;
        mem_.erase(it);
        return 0;
    }
    int MemGetInfo(size_t* freeBytes, size_t* totalBytes) override {
        log.push_back({"MemInfo"});
        size_t live = 0;
        for (auto& a : mem_) live += a.second.bytes;
        *totalBytes = kTotalMemory;
        *freeBytes = kTotalMemory - live;
        return 0;
    }
    const char* GetErrorString(int error) override {
        return error == kOutOfMemory ? "out of memory" : "unspecified fake error";
    }

    int FftPlan1d(int* plan, int n, FftType type, int batch) override {
        log.push_back({"Plan", nullptr, nullptr, size_t(n), int(type)});
        if (Inject()) return 2;  // CUFFT_ALLOC_FAILED
        plans_[nextPlan_] = {n, batch, type, kiss_fftr_alloc(n, type == C2R, nullptr, nullptr)};
        *plan = nextPlan_++;
        return 0;
    }
    int FftExecR2C(int plan, float* devIn, HVCHUNK_02* devOut) override {
        return Exec("ExecR2C", R2C, plan, devIn, devOut, devIn, devOut);
    }
    int FftExecC2R(int plan, HVCHUNK_02* devIn, float* devOut) override {
        return Exec("ExecC2R", C2R, plan, devIn, devOut, devOut, devIn);
    }
    int FftDestroy(int plan) override {
        log.push_back({"Destroy", nullptr, nullptr, 0, 0, plan});
        if (Inject()) return 1;  // CUFFT_INVALID_PLAN
        auto it = plans_.find(plan);
        if (it == plans_.end()) return violations.push_back("Destroy of a plan that does not exist"), 1;
        kiss_fftr_free(it->second.cfg);
        plans_.erase(it);
        return 0;
    }

    // The device's roundings, written out for the host: one fused multiply-add.
    void LaunchComplexPointwiseMul(HVCHUNK_02* devA, const HVCHUNK_02* devB, int size) override {
        log.push_back({"Launch", devA, devB, size_t(size)});
        const size_t bytes = size_t(size) * sizeof(HVCHUNK_02);
        if (!Find(devA, bytes) || !Find(devB, bytes))
            return violations.push_back("Launch on memory that is not device memory of that size");
        for (int i = 0; i < size; ++i) {
            const HVCHUNK_02 x = devA[i], y = devB[i];
            devA[i].l = x.l * y.l - x.r * y.r;
            devA[i].r = std::fma(x.l, y.r, y.l * x.r);
        }
    }

  private:
    struct Block {
        float* data = nullptr;
        size_t bytes = 0;
    };
    struct Plan {
        int n = 0, batch = 0;
        FftType type = R2C;
        kiss_fftr_cfg cfg = nullptr;
    };
    std::map<uintptr_t, Block> mem_;
    std::map<int, Plan> plans_;
    int nextPlan_ = 1;

    bool Inject() {
        if (++testedCalls != failAt) return false;
        ++failedCalls;
        failedLogIndex = log.size() - 1;
        return true;
    }
    float* Find(const void* p, size_t bytes) const {
        const uintptr_t a = reinterpret_cast<uintptr_t>(p);
        auto it = mem_.upper_bound(a);
        if (it == mem_.begin()) return nullptr;
        --it;
        if (a + bytes > it->first + it->second.bytes) return nullptr;
        return reinterpret_cast<float*>(const_cast<void*>(p));
    }
    // In place over `batch` slots of n + 2 floats (n / 2 + 1 complex bins); logged with the
    // input as dst and the output as src.
    int Exec(const char* name, FftType type, int plan, const void* in, const void* out, float* real,
             HVCHUNK_02* complex) {
        log.push_back({name, in, out, 0, 0, plan});
        if (Inject()) return 6;  // CUFFT_EXEC_FAILED
        Plan* p = CheckExec(plan, type, real, complex);
        if (!p) return 5;  // CUFFT_INVALID_VALUE
        std::vector<kiss_fft_cpx> bins(size_t(p->n) / 2 + 1);
        std::vector<float> time(size_t(p->n));
        for (int b = 0; b < p->batch; ++b) {
            float* slot = real + (size_t(p->n) + 2) * size_t(b);
            if (type == R2C) {
                kiss_fftr(p->cfg, slot, bins.data());
                std::memcpy(slot, bins.data(), bins.size() * sizeof(kiss_fft_cpx));
            } else {
                std::memcpy(bins.data(), slot, bins.size() * sizeof(kiss_fft_cpx));
                kiss_fftri(p->cfg, bins.data(), time.data());
                std::memcpy(slot, time.data(), time.size() * sizeof(float));
            }
        }
        return 0;
    }
    // The plan exists with this type; the transform is in place over batch padded slots.
    Plan* CheckExec(int plan, FftType type, const void* real, const void* complex) {
        auto it = plans_.find(plan);
        if (it == plans_.end() || it->second.type != type)
            return violations.push_back("Exec with a missing plan or a plan of the other type"), nullptr;
        Plan& p = it->second;
        if (real != complex) violations.push_back("Exec not in place");
        if (!Find(real, size_t(p.batch) * (size_t(p.n) + 2) * sizeof(float)))
            return violations.push_back("Exec buffer smaller than batch padded slots"), nullptr;
        return &p;
    }
};

// Installs a FakeCuda as the current layer for the lifetime of the object.
struct ScopedFakeCuda {
    ScopedFakeCuda() : previous(HVSetCudaApi(&fake)) {}
    ~ScopedFakeCuda() { HVSetCudaApi(previous); }
    FakeCuda fake;
    CHVCudaApi* previous;
};
