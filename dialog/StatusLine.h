// The dialog's status line: what the engine makes of the audio it last saw, in the mode
// that the dialog shows.
//
// Inputs are read afresh on every timer tick (UI thread): the playback flag, the mode of
// the dialog's working record, and the channel count and sample rate of the last chunk
// the engine processed. The texts name the source formats each mode accepts.
#pragma once

#include <cstdint>
#include <optional>

namespace foo_dsp_halvane {

struct StatusText {
    const char* text;  // shown in the status strip
    const char* tip;   // its tool tip
};

// The status for the given inputs, or nothing for a mode outside 0..4 (the line then keeps
// whatever it showed before).
std::optional<StatusText> StatusFor(int32_t bIsPlaying, uint32_t dwMode, uint32_t dwChannels,
                                    uint32_t dwSRate);

}  // namespace foo_dsp_halvane
