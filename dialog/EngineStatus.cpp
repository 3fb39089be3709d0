#include "dialog/EngineStatus.h"

#include "dialog/ModuleLink.h"
#include "host/halvane_status.h"

namespace {
EngineStatusWords FromService() {
    EngineStatusWords w;
    halvane_status* status = foo_dsp_halvane::StatusService();
    if (!status) return w;
    w.sse2 = status->IsSSE2Supported();
    w.cuda = status->IsCUDASupported();
    w.playing = status->IsPlaying();
    w.rate = status->GetSRate();
    w.channels = status->GetChannels();
    return w;
}

EngineStatusSource g_source = FromService;
}  // namespace

EngineStatusWords ReadEngineStatus() {
    return g_source();
}

EngineStatusSource SetEngineStatusSource(EngineStatusSource source) {
    const EngineStatusSource previous = g_source;
    g_source = source ? source : FromService;
    return previous;
}
