// The component's one engine, shared by all of its DSP instances, and the words the engine,
// the dialog and the playback callback share.
//
// Words shared between threads: each is one aligned 32-bit word written by one side.
// A flag raised during a chunk takes effect at the start of the next one.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/HalvaneEngine.h"

extern halvane::Engine g_hvlib;  // constructed at module load

extern std::atomic<int32_t> g_bSignalReset;   // flush / mode change -> engine reset
extern std::atomic<int32_t> g_bSignalRecalc;  // numeric setting changed -> recompute constants
extern std::atomic<uint32_t> g_dwChannels;    // channel count of the last chunk (status line)
extern std::atomic<int32_t> g_bIsPlaying;     // written by the playback callback

// Serialises the chunk handlers of DSP instances that run at the same time: the engine
// state is shared, so two chains must not interleave inside it. Uncontended in normal use.
std::mutex& HVEngineMutex();
