// dsp_halvane: the surround processor as one entry of the host's DSP chain.
//
// An instance holds only its settings (fixed for its lifetime); all processing history and
// the frame and output buffers live in the component's engine (g_hvlib), shared by every
// instance.
// All operations run on the host's audio thread. on_chunk serialises its engine work with
// HVEngineMutex(), so two chains processing at once cannot interleave inside the engine.
//
// Output channel masks: 1 ch -> 4 (C), 2 -> 3 (L R), 5 -> 55 (L R C SL SR), 6 -> 63 (+LFE).
#pragma once

#include "engine/HVConfig.h"
#include "sdk/dsp.h"
#include "sdk/dsp_entry.h"

class dsp_halvane : public dsp_impl_base_t<dsp_v2> {
public:
    // Default settings, replaced by the preset's when it reads (t_dsp_halvane_params).
    explicit dsp_halvane(const dsp_preset& p_data);
    ~dsp_halvane() override;

    // Entry service statics (dsp_entry_v2_impl_t).
    static void g_get_name(pfc::string_base& p_out);
    static GUID g_get_guid();
    static bool g_get_default_preset(dsp_preset& p_out);
    static bool g_have_config_popup() { return true; }
    // Runs the configuration dialog (host/halvane_popup.h: the registered popup, else the
    // dialog library beside the module, loaded on first use); does nothing without either.
    static void g_show_config_popup(const dsp_preset& p_data, fb2k_hwnd p_parent,
                                    dsp_preset_edit_callback& p_callback);

    // Requests an engine reset at the start of the next chunk of any instance.
    void flush() override;
    double get_latency() override { return 0.0; }
    bool need_track_change_mark() override { return false; }
    void on_endoftrack(abort_callback&) override {}
    // Flushes.
    void on_endofplayback(abort_callback& p_abort) override;
    // Runs the chunk through the engine and replaces it with the result. Always true; a
    // chunk that cannot be processed (allocation failure, over-long chunk) is left as it came.
    bool on_chunk(audio_chunk* p_chunk, abort_callback& p_abort) override;

    const HVLIB_CONFIG& get_config() const { return m_config; }

private:
    void ProcessLocked(audio_chunk* p_chunk);

    HVLIB_CONFIG m_config;
};
