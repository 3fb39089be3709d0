// The one-line status of `halvane play`: where playback is, the formats in and out, and the
// engine's live state as the module reports it (halvane_status).
#pragma once

#include <cstdint>
#include <string>

#include "app/Player.h"

struct EngineState {
    bool known = false;  // the module offers a status service
    bool playing = false;
    unsigned channels = 0;  // of the last chunk the engine processed
    uint32_t rate = 0;
};

// "m:ss" (or "h:mm:ss" from an hour on) of `frames` at `rate`; "-:--" when the rate is 0.
std::string FormatPlayTime(uint64_t frames, uint32_t rate);

// e.g. "> 0:12 / 3:45  [1/2] song.wav  44100 Hz 2 ch -> 5 ch  Halvane-HV  | engine: playing, 2 ch, 44100 Hz"
std::string FormatPlayStatus(const PlayerStatus& s, uint32_t mode, const EngineState& engine);
