// The engine's status words as the dialog shows them, read through the module's status
// service (halvane_status, reached through the module's link, dialog/ModuleLink.h) on every
// call. Without that service (a dialog built into a program with no component) everything
// reads as absent: no capability, rate 0, stopped.
// UI thread.
#pragma once

#include <cstdint>

struct EngineStatusWords {
    bool sse2 = false;
    bool cuda = false;
    bool playing = false;
    uint32_t rate = 0;      // Hz of the last chunk, 0 before the first
    uint32_t channels = 0;  // channel count of the last chunk
};

EngineStatusWords ReadEngineStatus();

// Where ReadEngineStatus takes its words from: the status service by default. Tests install
// their own source; nullptr restores the service. Returns the previous source.
using EngineStatusSource = EngineStatusWords (*)();
EngineStatusSource SetEngineStatusSource(EngineStatusSource source);
