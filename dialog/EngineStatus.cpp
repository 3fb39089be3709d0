#include "dialog/EngineStatus.h"

#include "host/halvane_status.h"
#include "sdk/service_enum.h"

namespace {
EngineStatusWords FromService() {
    EngineStatusWords w;
    service_enum_t<halvane_status> e(service_factory_base::__internal__list);
    service_ptr_t<halvane_status> status;
    if (!e.next(status)) return w;
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
