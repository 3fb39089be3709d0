// DspDriver through the component interfaces, as the player drives the DSP: the module's
// entry point gives the client object, its service list gives the DSP entry (found by
// HALVANE_GUID), the entry instantiates a dsp from a preset, and chunks go through run_v2
// in a chunk list. The module's objects are linked into the program (the player would
// load them from foo_dsp_halvane.so; the code is the same).
#include <cstdlib>
#include <cstring>

#include "host/dsp_halvane_params.h"
#include "sdk/component_client.h"
#include "sdk/dsp_chunk_list.h"
#include "sdk/service_enum.h"
#include "tests/fuzz/DspDriver.h"

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);

struct DspDriver::Impl {
    service_ptr_t<dsp_v2> instance;
    dsp_chunk_list_impl list;
};

namespace {
dsp_entry_v2& Entry() {
    static service_ptr_t<dsp_entry_v2> entry = [] {
        service_ptr_t<dsp_entry_v2> e;
        foobar2000_client* client = foobar2000_get_interface(nullptr, nullptr);
        if (!client || !find_dsp_entry(client->get_service_list(), HALVANE_GUID, e)) std::abort();
        return e;
    }();
    return *entry.get_ptr();
}
}  // namespace

DspDriver::DspDriver(const HVLIB_CONFIG& cfg) : m_impl(new Impl) {
    uint8_t blob[t_dsp_halvane_params::kPresetBytes];
    for (int w = 0; w < kHVConfigWords; ++w) {
        const uint32_t v = HVConfigWord(cfg, w);
        for (int b = 0; b < 4; ++b) blob[4 * w + b] = uint8_t(v >> (8 * b));
    }
    dsp_preset_impl preset;
    preset.set_owner(HALVANE_GUID);
    preset.set_data(blob, sizeof blob);
    service_ptr_t<dsp> instance;
    if (!Entry().instantiate(instance, preset) || !instance->service_query_t(m_impl->instance)) std::abort();
}

DspDriver::~DspDriver() { delete m_impl; }

void DspDriver::Process(const float* in, uint32_t n, uint32_t channels, uint32_t rate, DspChunk& out) {
    m_impl->list.remove_all();
    audio_chunk* c = m_impl->list.add_item();
    c->set_data(in, n, channels, rate, audio_chunk::g_guess_channel_config(channels));
    abort_callback_dummy noabort;
    m_impl->instance->run_v2(&m_impl->list, 0, noabort);
    // The host drops chunks without frames, channels or rate; an empty result stands for that.
    const audio_chunk* r = m_impl->list.get_item(0);
    out.channels = r ? r->get_channels() : channels;
    out.rate = r ? r->get_srate() : rate;
    out.mask = r ? r->get_channel_config() : 0;
    out.dropped = r == nullptr;
    const size_t total = r ? r->get_sample_count() * r->get_channels() : 0;
    out.samples.resize(total);
    if (total) std::memcpy(out.samples.data(), r->get_data(), total * sizeof(float));
}

void DspDriver::Flush() { m_impl->instance->flush(); }

void DspDriver::EndOfPlayback() {
    m_impl->list.remove_all();
    abort_callback_dummy noabort;
    m_impl->instance->run_v2(&m_impl->list, dsp::FLUSH, noabort);
}
