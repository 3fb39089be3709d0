#include "engine/HVLib.h"

#include <cpuid.h>

#include <atomic>

#include "engine/HVDenormals.h"
#include "headphone/HVGpu.h"
#include "headphone/HVHeadphone.h"

namespace {
int DetectSSE2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return 0;
    return (d >> 26) & 1;
}

const int kSSE2Support = DetectSSE2();
// The device is chosen once, when the library is loaded.
const bool kDeviceChosen = (SetGpuSupported(SelectCUDADevice() != 0), true);
}  // namespace

int CHVLib::IsSSE2Supported() {
    return kSSE2Support;
}
int CHVLib::IsCUDASupported() {
    return GpuSupported() ? 1 : 0;
}

CHVLib::CHVLib() {
    (void)kDeviceChosen;
}

CHVLib::~CHVLib() = default;  // the headphone state frees its plans and device state

void CHVLib::Reset() {
    m_state.FreeHistory();
    ResetHeadphoneState(m_headphone);
    m_partitioned.Reset();
    ReleaseGPUResources(m_headphone);
}

void CHVLib::ClearHistory() {
    m_state.ClearHistory();
    ResetHeadphoneState(m_headphone);
    m_partitioned.Reset();
}

void CHVLib::SetHeadphoneResponses(std::shared_ptr<const HrirSet> set) {
    m_partitioned.SetResponses(std::move(set));
    ResetHeadphoneState(m_headphone);
    m_partitioned.Reset();
}

void CHVLib::SetHeadphoneBlock(uint32_t block) {
    m_partitioned.SetBlock(block);
    ResetHeadphoneState(m_headphone);
    m_partitioned.Reset();
}

CHVFn& CHVLib::Kernels() {
    const HVLIB_CONFIG* cfg = m_state.m_pConfig;
    if (cfg && cfg->bSSE2 && kSSE2Support) return m_fnSSE2;
    return m_fnx87;
}

// Read from the UI thread while the audio thread may write it.
uint32_t CHVLib::GetSRate() const {
    return std::atomic_ref<const uint32_t>(m_state.m_dwSRate).load(std::memory_order_relaxed);
}

bool CHVLib::ConvertFloatToInternal(uint32_t code, const float* p, uint32_t n, HVFrames& frames) {
    CHVFn& k = Kernels();
    switch (code) {
        case 1:
            k.ConvertFloatMono(p, n, frames);
            return true;
        case 2:
            k.ConvertFloatStereo(p, n, frames);
            return true;
        case 5:
            k.ConvertFloatFive(p, n, frames);
            return true;
        case 6:
            k.ConvertFloatSix(p, n, frames);
            return true;
        default:
            k.ConvertSilence(n, frames);
            return false;
    }
}

void CHVLib::ProcessHeadphones(CHVFn& k, uint32_t code, HVFrames& frames) {
    // The block engine serves the built-in bank at the rates it was made for with its own
    // 8192-frame block; everything else runs through the partitioned stage, made (resampled,
    // transformed) on the first chunk at a new rate, block or response set.
    const uint32_t rate = m_state.m_dwSRate;
    if (rate == 0) return;  // no rate yet: nothing to convolve for
    const bool partitioned = m_partitioned.Selected(rate);
    if (partitioned) m_partitioned.Prepare(rate);
    const HVLIB_CONFIG& cfg = *m_state.m_pConfig;
    const bool movie = cfg.dwHeadphonesMode != 0;
    if (code == 2 && (movie ? cfg.bHeadphonesDecodeMovie : cfg.bHeadphonesDecodeMusic)) {
        // Stereo sources are spread over five loudspeakers first; the surrounds get the
        // surround delay of the headphone flavour, the fronts none.
        k.DecodeActive(frames);
        k.DelayChannels(frames, HV_FLAG_HEADPHONES);
    }
    if (partitioned)
        m_partitioned.Process(cfg, frames);
    else
        HeadphoneProcess(m_headphone, cfg, frames, &k == &m_fnSSE2 ? "HVFnSSE2" : "HVFnx87");
}

uint32_t CHVLib::ProcessChunk(uint32_t code, HVFrames& frames) {
    // Decaying filter memories must not run into subnormal arithmetic (see HVDenormals.h).
    const HVDenormalGuard flushDenormals;
    CHVFn& k = Kernels();
    const HVLIB_CONFIG& cfg = *m_state.m_pConfig;
    const uint32_t mode = cfg.dwMode;
    const bool supported = code == 1 || code == 2 || code == 5 || code == 6;

    if (supported) {
        if (mode == 3) {
            ProcessHeadphones(k, code, frames);
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
        k.ApplyGains(frames, HV_FLAG_HEADPHONES);
        return code;
    }
    if (const uint32_t held = m_headphone.m_fill + m_partitioned.Held(); held != 0) {
        // First chunk after leaving headphone mode without a reset: the frames held in the
        // unfinished block (or the partitioned stage's delay) are returned as silence so the
        // stream keeps its length.
        frames.Extend(held);
        m_headphone.m_fill = 0;
        m_partitioned.Reset();
    }
    if (mode == 0 || mode == 4) return code;

    if (cfg.bLFERedir) {
        k.RedirectBass(m_state.m_coefBass, m_state.m_stBass, frames);
        if (code == 5) code = 6;
    }
    k.ApplyGains(frames, HV_FLAG_ROOM);
    k.DelayChannels(frames, HV_FLAG_ROOM);
    return code;
}
