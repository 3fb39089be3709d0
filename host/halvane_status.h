// halvane_status: the module's status words for host programs that show them (capabilities,
// the format of the audio the engine last saw, the playback flag), read through the module
// so that a host needs nothing from the engine. Values are read afresh on every call; any
// thread.
#pragma once

#include <cstdint>

#include "sdk/service.h"
#include "sdk/service_factory.h"

class halvane_status : public service_base {
    HV_SERVICE_INTERFACE(halvane_status, service_base, halvane_status,
                         (GUID{0xa7e49909, 0xf569, 0x4dda, {0x86, 0xd1, 0x49, 0x4d, 0x5b, 0xe5, 0x7e, 0xdf}}))

    virtual bool IsSSE2Supported() = 0;  // the processor can run the SSE2 kernels
    virtual bool IsCUDASupported() = 0;  // a usable GPU was selected at load
    virtual uint32_t GetSRate() = 0;     // Hz of the last processed chunk, 0 before the first
    virtual uint32_t GetChannels() = 0;  // channel count of the last chunk, 0 before the first
    virtual bool IsPlaying() = 0;        // the playback flag driven by callback_halvane
};

// Module side.
class halvane_status_impl : public halvane_status {
public:
    bool IsSSE2Supported() override;
    bool IsCUDASupported() override;
    uint32_t GetSRate() override;
    uint32_t GetChannels() override;
    bool IsPlaying() override;
};
