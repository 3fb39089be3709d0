// DspDriver over the engine alone: the chunk handler's sequence written out, used until the
// DSP instance can be driven through the component interfaces.
#include <cstring>
#include <mutex>

#include "engine/HVLib.h"
#include "kernels/HVFn.h"
#include "tests/fuzz/DspDriver.h"

struct DspDriver::Impl {
    HVLIB_CONFIG cfg;
    HVFrames frames;
    HVBuffer<float> mono;
    HVBuffer<HVCHUNK_02> stereo;
    HVBuffer<HVCHUNK_05> five;
    HVBuffer<HVCHUNK_06> six;
};

namespace {
// The preset reader's repair rules, enough to keep the engine within its ranges.
HVLIB_CONFIG Repair(HVLIB_CONFIG c) {
    auto cap = [](uint32_t& v, uint32_t hi) { if (v > hi) v = hi; };
    auto clampS = [](int32_t& v, int32_t lim) { v = v > lim ? lim : v < -lim ? -lim : v; };
    if (c.dwMode > 4) c.dwMode = 2;
    clampS(c.nMasterGain, 6);
    cap(c.dwSurroundMode, 1);
    cap(c.dwCentreWeight, 100);
    cap(c.dwSurroundDelayMusic, 100);
    cap(c.dwSurroundDelayMovie, 100);
    if (c.dwSurroundDelayMovie < 10) c.dwSurroundDelayMovie = 10;
    if (c.dwHeadphonesMode > 1) c.dwHeadphonesMode = 0;
    for (uint32_t* d = &c.dwDelayL; d <= &c.dwDelaySR; ++d) cap(*d, 100);
    for (int32_t* t = &c.nTrimL; t <= &c.nTrimSR; ++t) clampS(*t, 12);
    if (c.dwLFECutoff > 200) c.dwLFECutoff = 120;
    if (c.dwLFECutoff < 20) c.dwLFECutoff = 20;
    for (uint32_t* b : {&c.bMusicSurroundShelf, &c.bHeadphonesDecodeMusic, &c.bHeadphonesDecodeMovie,
                        &c.bLFERedir, &c.bLFEInvert, &c.bSSE2, &c.bCUDA})
        *b = *b != 0;
    return c;
}
}  // namespace

DspDriver::DspDriver(const HVLIB_CONFIG& cfg) : m_impl(new Impl) { m_impl->cfg = Repair(cfg); }
DspDriver::~DspDriver() { delete m_impl; }

void DspDriver::Process(const float* in, uint32_t n, uint32_t channels, uint32_t rate, DspChunk& out) {
    std::lock_guard<std::mutex> lock(HVEngineMutex());
    HVLIB_CONFIG cfg = m_impl->cfg;
    CHVFn::m_pConfig = &cfg;
    if (g_bSignalReset.load()) {
        CHVLib::Reset();
        g_bSignalReset.store(0);
    }
    if (g_bSignalRecalc.load() || rate != CHVFn::m_dwSRate) {
        CHVFn::CalcStaticConstants(rate);
        g_bSignalRecalc.store(0);
    }
    g_hvlib.ConvertFloatToInternal(channels, in, n, m_impl->frames);
    g_dwChannels.store(channels);
    uint32_t code = g_hvlib.ProcessChunk(channels, m_impl->frames);
    CHVFn& k = CHVLib::Kernels();
    auto emit = [&](const void* p, uint32_t count, uint32_t ch, uint32_t mask) {
        out.samples.resize(size_t(count) * ch);
        if (count) std::memcpy(out.samples.data(), p, size_t(count) * ch * sizeof(float));
        out.channels = ch;
        out.rate = rate;
        out.mask = mask;
    };
    switch (code) {
        case 1: k.OutputFloatMono(m_impl->frames, m_impl->mono); emit(m_impl->mono.m_pData, m_impl->mono.m_dwCount, 1, 4); break;
        case 2: k.OutputFloatStereo(m_impl->frames, m_impl->stereo); emit(m_impl->stereo.m_pData, m_impl->stereo.m_dwCount, 2, 3); break;
        case 5: k.OutputFloatFive(m_impl->frames, m_impl->five); emit(m_impl->five.m_pData, m_impl->five.m_dwCount, 5, 55); break;
        case 6: k.OutputFloatSix(m_impl->frames, m_impl->six); emit(m_impl->six.m_pData, m_impl->six.m_dwCount, 6, 63); break;
        default:
            out.samples.assign(in, in + size_t(n) * channels);
            out.channels = channels;
            out.rate = rate;
            out.mask = 0;
    }
    CHVFn::m_pConfig = nullptr;
}

void DspDriver::Flush() { g_bSignalReset.store(1); }

void DspDriver::EndOfPlayback() {
    m_impl->mono.Free();
    m_impl->stereo.Free();
    m_impl->five.Free();
    m_impl->six.Free();
    Flush();
}
