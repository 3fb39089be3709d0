#include "host/dsp_halvane.h"

#include <cstdint>
#include <mutex>
#include <new>

#include "host/dsp_halvane_params.h"
#include "host/halvane_engine.h"
#include "host/halvane_popup.h"
#include "host/halvane_version.h"

dsp_halvane::dsp_halvane(const dsp_preset& p_data) : m_config(t_dsp_halvane_params::g_default().m_config) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    if (params.set_data(p_data)) m_config = params.m_config;
}

dsp_halvane::~dsp_halvane() = default;

void dsp_halvane::g_get_name(pfc::string_base& p_out) { p_out.set_string(HALVANE_TITLE_A); }

GUID dsp_halvane::g_get_guid() { return HALVANE_GUID; }

bool dsp_halvane::g_get_default_preset(dsp_preset& p_out) {
    t_dsp_halvane_params::g_default().get_data(p_out);
    return true;
}

void dsp_halvane::g_show_config_popup(const dsp_preset& p_data, fb2k_hwnd p_parent,
                                      dsp_preset_edit_callback& p_callback) {
    if (halvane_config_popup_fn fn = halvane_find_config_popup())
        fn(&halvane_module_dialog_link(), &p_data, p_parent, &p_callback);
}

void dsp_halvane::flush() { g_bSignalReset.store(1); }

void dsp_halvane::on_endofplayback(abort_callback&) { this->flush(); }

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

    // The requests are taken before the chunk: a flag raised while it runs counts for the next.
    halvane::ChunkRequests requests;
    requests.reset = g_bSignalReset.exchange(0) != 0;
    requests.recalc = g_bSignalRecalc.load() != 0;
    if (requests.recalc || rate != g_hvlib.LastSampleRate()) g_bSignalRecalc.store(0);
    g_dwChannels.store(channels);

    const halvane::ChunkOutput out = g_hvlib.RunChunk(m_config, rate, p_chunk->get_data(), channels, n, requests);
    // An unsupported layout leaves the host chunk exactly as it came.
    if (out.processed) p_chunk->set_data(out.data, out.frames, out.channels, rate, out.mask);
}
