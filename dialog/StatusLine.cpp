#include "dialog/StatusLine.h"

namespace foo_dsp_halvane {

namespace {
constexpr const char* kWorking = "Working";
constexpr const char* kNeedsStereo = "Source must have 2 channels";
}  // namespace

std::optional<StatusText> StatusFor(int32_t bIsPlaying, uint32_t dwMode, uint32_t dwChannels,
                                    uint32_t dwSRate) {
    if (bIsPlaying == 0) return StatusText{"Inactive", "Inactive"};
    switch (dwMode) {
        case 0:
            return StatusText{"Bypass - Active", "Inactive"};
        case 1:
            if (dwChannels == 2) return StatusText{"Passive - Decoding", kWorking};
            return StatusText{"Passive - Invalid format, bypass active", kNeedsStereo};
        case 2:
            if (dwChannels == 2) return StatusText{"Halvane-HV - Decoding", kWorking};
            return StatusText{"Halvane-HV - Invalid format, bypass active", kNeedsStereo};
        case 3:
            if (dwSRate == 44100 || dwSRate == 48000)
                return StatusText{"Halvane Headphone - Decoding", kWorking};
            return StatusText{"Halvane Headphone - Invalid format, bypass active",
                              "Source must have a sample rate of 44.1 or 48 KHz"};
        case 4:
            if (dwChannels == 5 || dwChannels == 6)
                return StatusText{"Halvane Encoder - Encoding", kWorking};
            return StatusText{"Halvane Encoder - Invalid format, bypass active",
                              "Source must have 5 or 6 channels"};
        default:
            return std::nullopt;
    }
}

}  // namespace foo_dsp_halvane
