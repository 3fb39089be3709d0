#include "dialog/SpeakerColours.h"

namespace foo_dsp_halvane {

int SpeakerGrey(uint32_t dwCentreWeight) {
    const uint32_t w = dwCentreWeight > 100 ? 100 : dwCentreWeight;
    return static_cast<int>(static_cast<double>(w) / 100.0 * 255.0);
}

}  // namespace foo_dsp_halvane
