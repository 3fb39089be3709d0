#include "host/halvane_engine.h"

std::atomic<int32_t> g_bSignalReset{0};
std::atomic<int32_t> g_bSignalRecalc{0};
std::atomic<uint32_t> g_dwChannels{0};
std::atomic<int32_t> g_bIsPlaying{0};

// No rate before the first chunk: its rate always counts as a change.
halvane::Engine g_hvlib(0, HVLIB_CONFIG{});

std::mutex& HVEngineMutex() {
    static std::mutex m;
    return m;
}
