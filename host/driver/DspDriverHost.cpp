// DspDriver and the module's services, reached as the player reaches them: the entry point
// gives the client object, its service list the DSP entry, the entry instantiates a dsp from
// a preset, and chunks go through run_v2 in a chunk list.
#include <cstdlib>

#include "sdk/dsp_chunk_list.h"
#include "host/driver/DspDriver.h"
#include "host/driver/ModuleServices.h"

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);

foobar2000_client* ModuleClient() {
    static foobar2000_client* const client = foobar2000_get_interface(nullptr, nullptr);
    if (!client) std::abort();
    return client;
}

dsp_entry_v2& ModuleDspEntry() {
    static const service_ptr_t<dsp_entry_v2> entry = [] {
        service_ptr_t<dsp_entry_v2> e;
        if (!find_dsp_entry(ModuleClient()->get_service_list(), HALVANE_GUID, e)) std::abort();
        return e;
    }();
    return *entry.get_ptr();
}

service_ptr_t<dsp_v2> NewDsp(const HVLIB_CONFIG& cfg) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.m_config = cfg;  // written as it stands
    dsp_preset_impl preset;
    params.get_data(preset);
    service_ptr_t<dsp> instance;
    service_ptr_t<dsp_v2> v2;
    if (!ModuleDspEntry().instantiate(instance, preset) || !instance->service_query_t(v2)) std::abort();
    return v2;
}

struct DspDriver::Impl {
    service_ptr_t<dsp_v2> instance;
    dsp_chunk_list_impl list;
    void Run(int flags) {
        abort_callback_dummy noabort;
        instance->run_v2(&list, flags, noabort);
    }
};

DspDriver::DspDriver(const HVLIB_CONFIG& cfg) : m_impl(new Impl{NewDsp(cfg), {}}) {}

DspDriver::~DspDriver() = default;

void DspDriver::Process(const float* in, uint32_t n, uint32_t channels, uint32_t rate, DspChunk& out) {
    m_impl->list.remove_all();
    m_impl->list.add_item()->set_data(in, n, channels, rate, audio_chunk::g_guess_channel_config(channels));
    m_impl->Run(0);
    // The host drops chunks without frames, channels or rate; an empty result stands for that.
    const audio_chunk* r = m_impl->list.get_item(0);
    out.dropped = r == nullptr;
    out.channels = r ? r->get_channels() : channels;
    out.rate = r ? r->get_srate() : rate;
    out.mask = r ? r->get_channel_config() : 0;
    out.samples.resize(r ? r->get_sample_count() * r->get_channels() : 0);
    if (r) std::copy_n(r->get_data(), out.samples.size(), out.samples.data());
}

void DspDriver::Flush() { m_impl->instance->flush(); }

void DspDriver::EndOfPlayback() {
    m_impl->list.remove_all();
    m_impl->Run(dsp::FLUSH);
}
