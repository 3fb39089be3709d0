// GPU check for a machine with an NVIDIA GPU (run by scripts/gpu-check).
//
// 1. Block check: one block of noise against random decaying responses, convolved on the
//    GPU (GpuConvolveBlock) and with kissfft on the processor; largest difference.
// 2. Render check: six channels of noise through the core in headphone mode, once with the
//    GPU and once on the processor; largest difference of the stereo outputs.
// 3. Device memory before and after 100 InitGPUResources / ReleaseGPUResources cycles.
// 4. Benchmarks: one 8192-frame headphone chunk (one block) through the core on each path.
//
// Both paths compute the same signal; they differ only by the rounding of two different
// single-precision FFTs (about 2e-7 of the peak each), so a difference above
// kDifferenceBound x peak is a fault. Exit status 1 when a check fails, 2 without a GPU.
#include <benchmark/benchmark.h>
#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "headphone/HVCudaApi.h"
#include "headphone/HVGpu.h"
#include "headphone/HVHeadphone.h"
#include "headphone/HVHeadphoneState.h"
#include "kernels/HVFn.h"

namespace {
// The stream the benchmark runs on.
CHVLib& Lib() {
    static CHVLib lib;
    return lib;
}
HVHeadphoneState& HP() { return Lib().Headphone(); }
}  // namespace

namespace {

constexpr double kDifferenceBound = 1e-5;  // relative to the peak of the processor result
constexpr uint32_t kRate = 48000;
constexpr uint32_t kRenderBlocks = 12;
constexpr int kCycles = 100;

HVLIB_CONFIG g_cfg;

// Headphone mode, no stereo pre-decode, six-channel input; GPU as asked.
void UseHeadphones(bool gpu, uint32_t flavour) {
    g_cfg = HVLIB_CONFIG{};
    g_cfg.dwMode = 3;
    g_cfg.dwHeadphonesMode = flavour;
    g_cfg.bCUDA = gpu ? 1 : 0;
    Lib().SetConfig(&g_cfg);
    Lib().CalcStaticConstants(kRate);
    Lib().Reset();
}

// n frames from six-channel interleaved samples (L R C LFE SL SR), spare slots zero.
void LoadFrames(const float* in, uint32_t n, HVFrames& frames) {
    frames.Resize(n);
    for (uint32_t k = 0; k < n; ++k) {
        for (int c = 0; c < 6; ++c) frames[k].f[c] = in[size_t(k) * 6 + size_t(c)];
        frames[k].f[6] = frames[k].f[7] = 0.0f;
    }
}

std::vector<float> Noise(size_t n, unsigned seed) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    std::vector<float> v(n);
    for (float& x : v) x = u(rng);
    return v;
}

struct Difference {
    double maxDiff = 0.0, peak = 0.0;
    bool Ok() const { return maxDiff <= kDifferenceBound * peak && peak > 0.0; }
};

Difference Compare(const std::vector<float>& gpu, const std::vector<float>& cpu) {
    Difference d;
    for (size_t i = 0; i < cpu.size(); ++i) {
        d.peak = std::max(d.peak, std::fabs(double(cpu[i])));
        d.maxDiff = std::max(d.maxDiff, std::fabs(double(gpu[i]) - double(cpu[i])));
    }
    return d;
}

void Print(const char* what, const Difference& d) {
    std::printf("%-34s largest difference %.3e, peak %.3e, ratio %.3e (bound %.0e): %s\n", what,
                d.maxDiff, d.peak, d.peak > 0 ? d.maxDiff / d.peak : 0.0, kDifferenceBound,
                d.Ok() ? "PASS" : "FAIL");
}

// 1. GPU block against kissfft, on responses of our own (the built-in bank is put back
//    at the end).
bool BlockCheck() {
    std::minstd_rand rng(8392829u);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> time(HP_FFT);
    kiss_fftr_cfg fwd = kiss_fftr_alloc(int(HP_FFT), 0, nullptr, nullptr);
    kiss_fftr_cfg inv = kiss_fftr_alloc(int(HP_FFT), 1, nullptr, nullptr);
    static HVHeadphoneBank own;  // the check's responses, in use until the check ends
    HP().m_bank = &own;
    for (auto& f : own.spec)
        for (auto& e : f)
            for (auto& spec : e) {
                std::fill(time.begin(), time.end(), 0.0f);
                for (uint32_t n = 0; n < HP_BLOCK; ++n) time[n] = u(rng) * std::exp(-float(n) / 1500.0f);
                spec.Resize(HP_BINS);
                kiss_fftr(fwd, time.data(), reinterpret_cast<kiss_fft_cpx*>(spec.m_pData));
            }
    for (auto& t : HP().m_time) {
        t.Resize(HP_FFT, true);
        for (uint32_t n = 0; n < HP_BLOCK; ++n) t[n] = u(rng);
    }
    for (auto& e : HP().m_conv)
        for (auto& c : e) c.Resize(HP_FFT, true);

    bool ok = true;
    InitGPUResources(HP());
    for (int f = 0; f < 2 && ok; ++f) {
        if (!GpuConvolveBlock(HP(), f, "HVFnx87")) {
            std::printf("block check: the GPU sequence failed\n");
            ok = false;
            break;
        }
        std::vector<float> gpu, cpu;
        std::vector<kiss_fft_cpx> x(HP_BINS), p(HP_BINS);
        std::vector<float> y(HP_FFT);
        for (int s = 0; s < 5; ++s) {
            kiss_fftr(fwd, HP().m_time[s].m_pData, x.data());
            for (int e = 0; e < 2; ++e) {
                const HVCHUNK_02* h = BankOf(HP()).spec[f][e][s].m_pData;
                for (uint32_t k = 0; k < HP_BINS; ++k) {
                    p[k].r = float(double(x[k].r) * h[k].l - double(x[k].i) * h[k].r);
                    p[k].i = float(double(x[k].r) * h[k].r + double(x[k].i) * h[k].l);
                }
                kiss_fftri(inv, p.data(), y.data());
                cpu.insert(cpu.end(), y.begin(), y.end());
                gpu.insert(gpu.end(), HP().m_conv[e][s].begin(), HP().m_conv[e][s].end());
            }
        }
        const Difference d = Compare(gpu, cpu);
        Print(f ? "block check, Movie responses:" : "block check, Music responses:", d);
        ok = ok && d.Ok();
    }
    ReleaseGPUResources(HP());
    kiss_fftr_free(fwd);
    kiss_fftr_free(inv);
    HP().m_bank = nullptr;  // the built-in bank again from here on
    return ok;
}

// 2. Noise through the core on one path; returns the stereo output, interleaved.
std::vector<float> Render(bool gpu, uint32_t flavour, const std::vector<float>& in) {
    UseHeadphones(gpu, flavour);
    HVFrames frames;
    std::vector<float> out;
    // Uneven chunks, so blocks complete in the middle of chunks.
    const uint32_t sizes[] = {3000, 8192, 12000, 5000, 777, 20000};
    const uint32_t total = uint32_t(in.size() / 6);
    for (uint32_t pos = 0, i = 0; pos < total; ++i) {
        const uint32_t n = std::min(sizes[i % 6], total - pos);
        LoadFrames(in.data() + size_t(pos) * 6, n, frames);
        const uint32_t code = Lib().ProcessChunk(6, frames);
        if (code != 2) std::printf("render: unexpected layout %u\n", code);
        for (uint32_t k = 0; k < frames.m_dwCount; ++k) {
            out.push_back(frames[k].f[0]);
            out.push_back(frames[k].f[1]);
        }
        pos += n;
    }
    return out;
}

bool RenderCheck() {
    const std::vector<float> in = Noise(size_t(kRenderBlocks) * HP_BLOCK * 6, 3141592653u);
    bool ok = true;
    for (uint32_t flavour = 0; flavour < 2; ++flavour) {
        const std::vector<float> cpu = Render(false, flavour, in);
        const std::vector<float> gpu = Render(true, flavour, in);
        const bool used = CHVLib::IsCUDASupported() && HP().m_gpu.m_bInit;
        std::printf("render, %s: %zu stereo frames from %zu, GPU %s\n", flavour ? "Movie" : "Music",
                    cpu.size() / 2, in.size() / 6, used ? "in use" : "NOT in use");
        if (cpu.size() != gpu.size() || cpu.empty() || !used) {
            std::printf("render: the paths produced %zu and %zu samples: FAIL\n", cpu.size(), gpu.size());
            ok = false;
            continue;
        }
        const Difference d = Compare(gpu, cpu);
        Print(flavour ? "render check, Movie:" : "render check, Music:", d);
        ok = ok && d.Ok();
    }
    UseHeadphones(false, 0);
    return ok;
}

// 3. Device memory across repeated lifetimes (one cycle first: cuFFT sets itself up once).
bool MemoryCheck() {
    InitGPUResources(HP());
    ReleaseGPUResources(HP());
    size_t before = 0, after = 0, total = 0;
    HVCudaApi().MemGetInfo(&before, &total);
    for (int i = 0; i < kCycles && CHVLib::IsCUDASupported(); ++i) {
        InitGPUResources(HP());
        ReleaseGPUResources(HP());
    }
    HVCudaApi().MemGetInfo(&after, &total);
    const bool ok = CHVLib::IsCUDASupported() && after == before;
    std::printf("device memory free before %zu, after %d init/release cycles %zu (total %zu): %s\n",
                before, kCycles, after, total, ok ? "PASS" : "FAIL");
    return ok;
}

// 4. One 8192-frame chunk of six channels = one completed block per call.
void BM_HeadphoneBlock(benchmark::State& state) {
    const bool gpu = state.range(0) != 0;
    UseHeadphones(gpu, 0);
    const std::vector<float> in = Noise(size_t(HP_BLOCK) * 6, 1u);
    HVFrames frames;
    for (auto _ : state) {
        LoadFrames(in.data(), HP_BLOCK, frames);
        Lib().ProcessChunk(6, frames);
        benchmark::DoNotOptimize(frames.m_pData);
    }
    if (gpu && !HP().m_gpu.m_bInit) state.SkipWithError("the GPU was not in use");
    state.SetLabel(gpu ? "GPU, time per 8192-frame block" : "processor, time per 8192-frame block");
}
BENCHMARK(BM_HeadphoneBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!CHVLib::IsCUDASupported()) {
        std::printf("no usable CUDA device: nothing to check\n");
        return 2;
    }
    bool ok = BlockCheck();
    ok = MemoryCheck() && ok;
    ok = RenderCheck() && ok;
    if (!CHVLib::IsCUDASupported()) {
        std::printf("the GPU was given up during the checks (see the messages above)\n");
        ok = false;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("gpu check: %s\n", ok ? "PASS" : "FAIL");
    std::fflush(stdout);
    // The device state is left in place on purpose: the engine destructor releases it at
    // exit, as when the player quits during playback. Any message after this line comes
    // from that release.
    std::printf("exit with the GPU state held (%s)\n", HP().m_gpu.m_bInit ? "yes" : "no");
    return ok ? 0 : 1;
}
