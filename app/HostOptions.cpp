#include "app/HostOptions.h"

#include "app/AppError.h"
#include "app/PresetFile.h"
#include "app/RenderPipeline.h"
#include "host/dsp_halvane_params.h"

#include <csignal>

std::string ModulePathOption(const ParsedArgs& parsed) {
    if (auto path = parsed.Value("component")) return *path;
    return DefaultModulePath();
}

uint64_t ChunkFramesOption(const ParsedArgs& parsed) {
    auto text = parsed.Value("chunk");
    if (!text) return 4096;
    return uint64_t(ParseBoundedInteger(*text, 1, kMaxChunkFrames, "--chunk"));
}

service_ptr_t<dsp_v2> InstantiateSurroundDsp(ModuleHost& module, const HVLIB_CONFIG& settings) {
    service_ptr_t<dsp_entry_v2> entry = module.FindDspEntry(HALVANE_GUID);
    dsp_preset_impl preset;
    StoreSettings(settings, preset);
    service_ptr_t<dsp> instance;
    if (!entry->instantiate(instance, preset) || !instance.is_valid())
        throw Failure("the DSP refused to create an instance from the preset");
    service_ptr_t<dsp_v2> v2;
    if (!instance->service_query_t(v2))
        throw Failure("the DSP instance does not offer run_v2");
    return v2;
}

static void OnStopSignal(int sig) { RequestRenderStop(sig); }

void InstallRenderStopHandlers() {
    struct sigaction sa{};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a read or write blocked on a pipe returns at once with EINTR.
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}
