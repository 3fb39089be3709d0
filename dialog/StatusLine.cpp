#include "dialog/StatusLine.h"

namespace foo_dsp_halvane {

namespace {
constexpr const char* kWorking = "Working";
constexpr const char* kNeedsStereo = "Source must have 2 channels";
}  // namespace

std::optional<StatusText> StatusFor(int32_t bIsPlaying, uint32_t dwMode, uint32_t dwChannels,
                                    uint32_t dwSRate) {
    (void)dwSRate;  // no mode depends on the rate
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
            // Every rate is rendered (the responses are resampled for it); layouts the
            // engine does not know pass through.
            if (dwChannels == 1 || dwChannels == 2 || dwChannels == 5 || dwChannels == 6)
                return StatusText{"Halvane Headphone - Decoding", kWorking};
            return StatusText{"Halvane Headphone - Invalid format, bypass active",
                              "Source must have 1, 2, 5 or 6 channels"};
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
