#include "engine/HVLib.h"

#include <cpuid.h>

#include "engine/HVDenormals.h"
#include "headphone/HVGpu.h"
#include "headphone/HVHeadphone.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"

namespace {
int DetectSSE2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return 0;
    return (d >> 26) & 1;
}
}  // namespace

// Order matters: the capability words are read before the engine is constructed.
int CHVLib::m_bSSE2Support = DetectSSE2();
int CHVLib::m_bCUDASupport = SelectCUDADevice();

std::atomic<int32_t> g_bSignalReset{0};
std::atomic<int32_t> g_bSignalRecalc{0};
std::atomic<uint32_t> g_dwChannels{0};
std::atomic<int32_t> g_bIsPlaying{0};
uint32_t g_hpFill = 0;

CHVFnx87 g_fnx87;
CHVFnSSE2 g_fnSSE2;
CHVLib g_hvlib;

std::mutex& HVEngineMutex() {
    static std::mutex m;
    return m;
}

CHVLib::CHVLib() { Reset(); }

CHVLib::~CHVLib() {
    ReleaseHeadphoneFilters();
    ReleaseGPUResources();
}

void CHVLib::Reset() {
    CHVFn::m_bufHigh.Free();
    CHVFn::m_bufLow.Free();
    for (int b = 0; b < 2; ++b) {
        CHVFn::m_bufSteerX[b].Free();
        CHVFn::m_bufSteerY[b].Free();
        CHVFn::m_stSteerX[b] = BiquadState{};
        CHVFn::m_stSteerY[b] = BiquadState{};
    }
    CHVFn::m_stSplit = BiquadState{};
    CHVFn::m_stShelf = BiquadState{};
    CHVFn::m_stSurrHP = BiquadState{};
    CHVFn::m_stSurrLP = BiquadState{};
    CHVFn::m_stPhase = BiquadState{};
    CHVFn::m_stBass = BiquadState{};
    ResetHeadphoneState();
    for (auto& line : CHVFn::m_delay) line.Free();
    ReleaseGPUResources();
}

CHVFn& CHVLib::Kernels() {
    const HVLIB_CONFIG* cfg = CHVFn::m_pConfig;
    if (cfg && cfg->bSSE2 && m_bSSE2Support) return g_fnSSE2;
    return g_fnx87;
}

// Read from the UI thread while the audio thread may write it.
uint32_t CHVLib::GetSRate() { return std::atomic_ref<uint32_t>(CHVFn::m_dwSRate).load(std::memory_order_relaxed); }

bool CHVLib::ConvertFloatToInternal(uint32_t code, const float* p, uint32_t n, HVFrames& frames) {
    CHVFn& k = Kernels();
    switch (code) {
        case 1: k.ConvertFloatMono(p, n, frames); return true;
        case 2: k.ConvertFloatStereo(p, n, frames); return true;
        case 5: k.ConvertFloatFive(p, n, frames); return true;
        case 6: k.ConvertFloatSix(p, n, frames); return true;
        default: k.ConvertSilence(n, frames); return false;
    }
}

uint32_t CHVLib::ProcessChunk(uint32_t code, HVFrames& frames) {
    // Decaying filter memories must not run into subnormal arithmetic (see HVDenormals.h).
    const HVDenormalGuard flushDenormals;
    CHVFn& k = Kernels();
    const HVLIB_CONFIG& cfg = *CHVFn::m_pConfig;
    const uint32_t mode = cfg.dwMode;
    const bool supported = code == 1 || code == 2 || code == 5 || code == 6;

    if (supported) {
        if (mode == 3) {
            k.ProcessHeadphones(code, frames);
            code = 2;
        } else if (code == 2 && mode == 1) {
            k.DecodePassive(frames);
            code = 5;
        } else if (code == 2 && mode == 2) {
            k.DecodeActive(frames);
            code = 5;
        } else if ((code == 5 || code == 6) && mode == 4) {
            k.EncodeMatrix(code, frames);
            code = 2;
        }
    }
    if (mode == 3) {
        // Headphone playback gets the master gain only, on L and R.
        k.ApplyGains(frames, 0);
        return code;
    }
    if (g_hpFill != 0) {
        // First chunk after leaving headphone mode without a reset: the frames held in the
        // unfinished block are returned as silence so the stream keeps its length.
        frames.Extend(g_hpFill);
        g_hpFill = 0;
    }
    if (mode == 0 || mode == 4) return code;

    if (cfg.bLFERedir) {
        k.RedirectBass(CHVFn::m_coefBass, CHVFn::m_stBass, frames);
        if (code == 5) code = 6;
    }
    k.ApplyGains(frames, 1);
    k.DelayChannels(frames, 1);
    return code;
}
