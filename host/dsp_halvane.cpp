#include "host/dsp_halvane.h"

#include <cstdint>
#include <mutex>
#include <new>

#include "engine/HVLib.h"
#include "host/dsp_halvane_params.h"
#include "host/halvane_popup.h"
#include "host/halvane_version.h"
#include "kernels/HVFn.h"

namespace {
constexpr unsigned kMaskMono = 4, kMaskStereo = 3, kMaskFive = 55, kMaskSix = 63;

// Publishes a configuration to the kernels for the duration of one chunk, and withdraws it
// afterwards so no pointer to a dead stack copy is left behind.
class PublishedConfig {
public:
    explicit PublishedConfig(const HVLIB_CONFIG* p) { CHVFn::m_pConfig = p; }
    ~PublishedConfig() { CHVFn::m_pConfig = nullptr; }
    PublishedConfig(const PublishedConfig&) = delete;
    PublishedConfig& operator=(const PublishedConfig&) = delete;
};
}  // namespace

dsp_halvane::dsp_halvane(const dsp_preset& p_data) : m_config(t_dsp_halvane_params::g_default().m_config) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    if (params.set_data(p_data)) m_config = params.m_config;
}

dsp_halvane::~dsp_halvane() {
    m_outSix.Free();
    m_outFive.Free();
    m_outStereo.Free();
    m_outMono.Free();
    m_frames.Free();
}

void dsp_halvane::g_get_name(pfc::string_base& p_out) { p_out.set_string(HALVANE_TITLE_A); }

GUID dsp_halvane::g_get_guid() { return HALVANE_GUID; }

bool dsp_halvane::g_get_default_preset(dsp_preset& p_out) {
    t_dsp_halvane_params::g_default().get_data(p_out);
    return true;
}

void dsp_halvane::g_show_config_popup(const dsp_preset& p_data, fb2k_hwnd p_parent,
                                      dsp_preset_edit_callback& p_callback) {
    if (halvane_config_popup_fn fn = halvane_get_config_popup()) fn(p_data, p_parent, p_callback);
}

void dsp_halvane::flush() { g_bSignalReset.store(1); }

void dsp_halvane::on_endofplayback(abort_callback&) {
    m_outSix.Free();
    m_outFive.Free();
    m_outStereo.Free();
    m_outMono.Free();
    this->flush();
}

bool dsp_halvane::on_chunk(audio_chunk* p_chunk, abort_callback&) {
    try {
        std::lock_guard<std::mutex> lock(HVEngineMutex());
        ProcessLocked(p_chunk);
    } catch (...) {
        // Nothing may escape into the host. The chunk is replaced only in the last step,
        // whose storage allocation fails before any change, so it is still as it came. The
        // engine may have stopped half way through its state: start the next chunk afresh.
        g_bSignalReset.store(1);
    }
    return true;
}

void dsp_halvane::ProcessLocked(audio_chunk* p_chunk) {
    const size_t frames = p_chunk->get_sample_count();
    if (frames > UINT32_MAX) return;  // the engine counts frames in 32 bits: pass through
    const uint32_t n = static_cast<uint32_t>(frames);
    const uint32_t channels = p_chunk->get_channels();
    const uint32_t rate = p_chunk->get_srate();

    HVLIB_CONFIG config = m_config;
    PublishedConfig published(&config);

    if (g_bSignalReset.load()) {
        CHVLib::Reset();
        g_bSignalReset.store(0);
    }
    if (g_bSignalRecalc.load() || rate != CHVFn::m_dwSRate) {
        CHVFn::CalcStaticConstants(rate);
        g_bSignalRecalc.store(0);
    }
    g_hvlib.ConvertFloatToInternal(channels, p_chunk->get_data(), n, m_frames);
    g_dwChannels.store(channels);
    const uint32_t code = g_hvlib.ProcessChunk(channels, m_frames);

    CHVFn& k = CHVLib::Kernels();
    switch (code) {
        case 1:
            k.OutputFloatMono(m_frames, m_outMono);
            p_chunk->set_data(m_outMono.m_pData, m_outMono.m_dwCount, 1, rate, kMaskMono);
            break;
        case 2:
            k.OutputFloatStereo(m_frames, m_outStereo);
            p_chunk->set_data(reinterpret_cast<const float*>(m_outStereo.m_pData), m_outStereo.m_dwCount, 2,
                              rate, kMaskStereo);
            break;
        case 5:
            k.OutputFloatFive(m_frames, m_outFive);
            p_chunk->set_data(reinterpret_cast<const float*>(m_outFive.m_pData), m_outFive.m_dwCount, 5, rate,
                              kMaskFive);
            break;
        case 6:
            k.OutputFloatSix(m_frames, m_outSix);
            p_chunk->set_data(reinterpret_cast<const float*>(m_outSix.m_pData), m_outSix.m_dwCount, 6, rate,
                              kMaskSix);
            break;
        default:
            break;  // unsupported layout: the host chunk stays exactly as it came
    }
}
