// GPU convolution path: device choice, device state and the per-block sequence. Every
// device call goes through the layer (HVCudaApi.h).
//
// Failure policy: a failed tested call (every malloc, copy, free, plan creation, transform
// and plan destruction) prints the runtime's or cuFFT's message to stderr, releases what
// can still be released, and gives the GPU up for the rest of the process
// (the support word goes to 0). The process goes on: the caller finishes the block on the
// processor, so playback continues without a gap. The device choice, cudaSetDevice and the
// kernel launches are not tested.
#include "headphone/HVGpu.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "headphone/HVCudaApi.h"
#include "headphone/HVHeadphoneState.h"

namespace {
// Constant-initialised, so it is valid before any static constructor runs.
std::atomic<int> g_gpuSupport{0};

// Device work buffer layout: five slots of HP_FFT + 2 floats, the padding an in-place
// batched real transform needs for its HP_BINS complex outputs.
constexpr int kBatch = 5;
constexpr uint32_t kSlotFloats = HP_FFT + 2;                                 // 16386
constexpr size_t kSpecBytes = size_t(HP_BINS) * sizeof(HVCHUNK_02);          // 65544
constexpr size_t kWorkBytes = size_t(kBatch) * kSlotFloats * sizeof(float);  // 327720
constexpr size_t kBlockBytes = size_t(HP_FFT) * sizeof(float);               // 65536
static_assert(kSpecBytes == 65544 && kWorkBytes == 327720 && kBlockBytes == 65536);

// File names in the messages: the module that made the call.
constexpr const char* kInitModule = "HVFn";

// True when the runtime call succeeded; otherwise prints its message.
bool CudaOk(int error, const char* file, int line) {
    if (error == 0) return true;
    std::fprintf(stderr, "cudaSafeCall() Runtime API error in file <%s>, line %i : %s.\n", file, line,
                 HVCudaApi().GetErrorString(error));
    return false;
}

// True when the cuFFT call succeeded; otherwise prints its message.
bool FftOk(int result, const char* file, int line) {
    if (result == 0) return true;
    std::fprintf(stderr, "cufftSafeCall() CUFFT error in file <%s>, line %i.\n", file, line);
    return false;
}

#define HV_CUDA(file, call) CudaOk((call), (file), __LINE__)
#define HV_CUFFT(file, call) FftOk((call), (file), __LINE__)

// Frees whatever exists, in release order: work buffers, the 20 spectra, the inverse
// plan, the forward plan. Every existing object is attempted even after a failure. With
// `file` set the first failure is reported (later ones would only repeat it); with
// nullptr the release is silent (clean-up after a failure already reported).
// Returns true when every call succeeded. Leaves the state absent.
bool FreeDeviceState(HVGpuState& g, const char* file) {
    CHVCudaApi& api = HVCudaApi();
    bool ok = true;
    auto freeBuffer = [&](void* p, int line) {
        const int e = api.Free(p);
        if (e != 0 && file && ok) CudaOk(e, file, line);
        if (e != 0) ok = false;
    };
    auto destroyPlan = [&](int plan, int line) {
        const int r = api.FftDestroy(plan);
        if (r != 0 && file && ok) FftOk(r, file, line);
        if (r != 0) ok = false;
    };

    if (g.m_devWorkL) freeBuffer(g.m_devWorkL, __LINE__);
    g.m_devWorkL = nullptr;
    if (g.m_devWorkR) freeBuffer(g.m_devWorkR, __LINE__);
    g.m_devWorkR = nullptr;
    for (auto& flavour : g.m_devHrirSpec)
        for (auto& ear : flavour)
            for (auto& spec : ear) {
                if (spec) freeBuffer(spec, __LINE__);
                spec = nullptr;
            }
    if (g.m_bPlanC2R) destroyPlan(g.m_planC2R, __LINE__);
    g.m_bPlanC2R = false;
    if (g.m_bPlanR2C) destroyPlan(g.m_planR2C, __LINE__);
    g.m_bPlanR2C = false;
    g.m_bInit = 0;
    return ok;
}

// After a reported failure: release the rest quietly and never touch the GPU again.
void GiveUpGpu(HVGpuState& g) {
    FreeDeviceState(g, nullptr);
    SetGpuSupported(false);
}

// clockRate x multiProcessorCount as a 32-bit signed product (wraps, never traps).
int32_t DeviceScore(const HVCUDA_DEVICE_PROPS& p) {
    return int32_t(uint32_t(p.clockRate) * uint32_t(p.multiProcessorCount));
}

float* Slot(float* work, int s) {
    return work + size_t(kSlotFloats) * s;
}
HVCHUNK_02* SlotBins(float* work, int s) {
    return reinterpret_cast<HVCHUNK_02*>(Slot(work, s));
}

}  // namespace

bool GpuSupported() {
    return g_gpuSupport.load(std::memory_order_relaxed) != 0;
}
void SetGpuSupported(bool on) {
    g_gpuSupport.store(on ? 1 : 0, std::memory_order_relaxed);
}

int FindFastestCUDADevice() {
    CHVCudaApi& api = HVCudaApi();
    int count = 0;
    api.GetDeviceCount(&count);  // result not tested: count stays 0 without a driver
    HVCUDA_DEVICE_PROPS props;
    api.GetDeviceProperties(&props, 0);
    int best = 0;
    int32_t bestScore = DeviceScore(props);
    for (int d = 1; d < count; ++d) {
        props = HVCUDA_DEVICE_PROPS{};
        api.GetDeviceProperties(&props, d);
        const int32_t score = DeviceScore(props);
        if (score > bestScore) {  // strictly: ties keep the lower index
            bestScore = score;
            best = d;
        }
    }
    return best;
}

int SelectCUDADevice() {
    CHVCudaApi& api = HVCudaApi();
    const int d = FindFastestCUDADevice();
    HVCUDA_DEVICE_PROPS props;
    if (api.GetDeviceProperties(&props, d) != 0) return 0;
    api.SetDevice(d);  // result not tested
    return 1;
}

void InitGPUResources(HVHeadphoneState& st) {
    HVGpuState& g = st.m_gpu;
    if (g.m_bInit || !GpuSupported()) return;
    CHVCudaApi& api = HVCudaApi();
    const char* file = kInitModule;
    const HVHeadphoneBank& bank = BankOf(st);
    auto fail = [&g] { GiveUpGpu(g); };

    // 20 spectra: Music left ear sources 0..4, Music right ear, Movie left, Movie right.
    for (auto& flavour : g.m_devHrirSpec)
        for (auto& ear : flavour)
            for (auto& spec : ear) {
                void* p = nullptr;
                if (!HV_CUDA(file, api.Malloc(&p, kSpecBytes))) return fail();
                spec = static_cast<HVCHUNK_02*>(p);
            }
    for (int f = 0; f < 2; ++f)
        for (int e = 0; e < 2; ++e)
            for (int s = 0; s < 5; ++s)
                if (!HV_CUDA(file, api.Memcpy(g.m_devHrirSpec[f][e][s], bank.spec[f][e][s].m_pData,
                                              kSpecBytes, CHVCudaApi::HostToDevice)))
                    return fail();

    void* p = nullptr;
    if (!HV_CUDA(file, api.Malloc(&p, kWorkBytes))) return fail();
    g.m_devWorkL = static_cast<float*>(p);
    p = nullptr;
    if (!HV_CUDA(file, api.Malloc(&p, kWorkBytes))) return fail();
    g.m_devWorkR = static_cast<float*>(p);

    if (!HV_CUFFT(file, api.FftPlan1d(&g.m_planR2C, int(HP_FFT), CHVCudaApi::R2C, kBatch))) return fail();
    g.m_bPlanR2C = true;
    if (!HV_CUFFT(file, api.FftPlan1d(&g.m_planC2R, int(HP_FFT), CHVCudaApi::C2R, kBatch))) return fail();
    g.m_bPlanC2R = true;
    g.m_bInit = 1;
}

void ReleaseGPUResources(HVHeadphoneState& st) {
    HVGpuState& g = st.m_gpu;
    if (!g.m_bInit) return;
    if (!FreeDeviceState(g, kInitModule)) SetGpuSupported(false);
}

bool GpuConvolveBlock(HVHeadphoneState& st, int flavour, const char* module) {
    HVGpuState& g = st.m_gpu;
    if (!g.m_bInit || !GpuSupported()) return false;
    CHVCudaApi& api = HVCudaApi();
    const int f = flavour ? 1 : 0;
    auto fail = [&g] {
        GiveUpGpu(g);
        return false;
    };

    // 1. Upload the five block inputs (upper halves zero) into the slots of the left buffer.
    for (int s = 0; s < kBatch; ++s)
        if (!HV_CUDA(module, api.Memcpy(Slot(g.m_devWorkL, s), st.m_time[s].m_pData, kBlockBytes,
                                        CHVCudaApi::HostToDevice)))
            return fail();
    // 2. Five forward transforms in place.
    if (!HV_CUFFT(module, api.FftExecR2C(g.m_planR2C, g.m_devWorkL, SlotBins(g.m_devWorkL, 0))))
        return fail();
    // 3. The same spectra for the right ear.
    if (!HV_CUDA(module, api.Memcpy(g.m_devWorkR, g.m_devWorkL, kWorkBytes, CHVCudaApi::DeviceToDevice)))
        return fail();
    // 4. Multiply by the responses of each ear.
    for (int s = 0; s < kBatch; ++s) {
        api.LaunchComplexPointwiseMul(SlotBins(g.m_devWorkL, s), g.m_devHrirSpec[f][0][s], int(HP_BINS));
        api.LaunchComplexPointwiseMul(SlotBins(g.m_devWorkR, s), g.m_devHrirSpec[f][1][s], int(HP_BINS));
    }
    // 5. Unscaled inverse transforms in place.
    if (!HV_CUFFT(module, api.FftExecC2R(g.m_planC2R, SlotBins(g.m_devWorkL, 0), g.m_devWorkL)))
        return fail();
    if (!HV_CUFFT(module, api.FftExecC2R(g.m_planC2R, SlotBins(g.m_devWorkR, 0), g.m_devWorkR)))
        return fail();
    // 6. Download the ten convolutions.
    for (int s = 0; s < kBatch; ++s) {
        if (!HV_CUDA(module, api.Memcpy(st.m_conv[0][s].m_pData, Slot(g.m_devWorkL, s), kBlockBytes,
                                        CHVCudaApi::DeviceToHost)))
            return fail();
        if (!HV_CUDA(module, api.Memcpy(st.m_conv[1][s].m_pData, Slot(g.m_devWorkR, s), kBlockBytes,
                                        CHVCudaApi::DeviceToHost)))
            return fail();
    }
    return true;
}
