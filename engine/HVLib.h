// CHVLib: the engine. It owns no data: all processing state is process-wide (the statics
// of CHVFn and the headphone stage) and shared by every DSP instance.
//
// Per chunk, the DSP instance (audio thread) publishes its settings in CHVFn::m_pConfig,
// honours the reset/recalc requests, converts host floats into frames
// (ConvertFloatToInternal), runs ProcessChunk and converts the frames back by the layout
// code it returns. Layout codes are host channel counts: 1 mono (C), 2 L R,
// 5 L R C SL SR, 6 L R C LFE SL SR; any other count passes through untouched.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/HVBuffer.h"

class CHVFn;
class CHVFnx87;
class CHVFnSSE2;

class CHVLib {
public:
    CHVLib();   // performs Reset
    ~CHVLib();  // frees the headphone FFT configurations and the GPU resources

    // Clears all processing history: decoder work buffers and filter memories, the
    // headphone tail and fill, the room delay lines, the GPU resources. Derived constants,
    // the sample rate and the response spectra stay.
    static void Reset();

    // Fills `frames` from n interleaved host floats of layout `code`. Unsupported codes give
    // n frames of silence and return false.
    bool ConvertFloatToInternal(uint32_t code, const float* p, uint32_t n, HVFrames& frames);

    // Runs the mode stage and the room stages on `frames` in place; returns the layout code
    // of the result.
    uint32_t ProcessChunk(uint32_t code, HVFrames& frames);

    // The kernel set for the configuration in force: SSE2 when asked for and supported.
    static CHVFn& Kernels();

    static uint32_t GetSRate();
    static int IsSSE2Supported() { return m_bSSE2Support; }
    // The dialog reads this from the UI thread; the audio thread clears it if the GPU fails.
    static int IsCUDASupported() { return std::atomic_ref<int>(m_bCUDASupport).load(std::memory_order_relaxed); }
    static void GiveUpCUDA() { std::atomic_ref<int>(m_bCUDASupport).store(0, std::memory_order_relaxed); }

    static int m_bSSE2Support;  // the processor has SSE2 (CPUID 1, EDX bit 26)
    static int m_bCUDASupport;  // a CUDA device was selected at load (and is still usable)
};

// The engine object, constructed at module load.
extern CHVLib g_hvlib;
extern CHVFnx87 g_fnx87;
extern CHVFnSSE2 g_fnSSE2;

// Words shared between threads: each is one aligned 32-bit word written by one side.
// A flag raised during a chunk takes effect at the start of the next one.
extern std::atomic<int32_t> g_bSignalReset;   // flush / mode change -> engine reset
extern std::atomic<int32_t> g_bSignalRecalc;  // numeric setting changed -> recompute constants
extern std::atomic<uint32_t> g_dwChannels;    // channel count of the last chunk (status line)
extern std::atomic<int32_t> g_bIsPlaying;     // written by the playback callback
// Input frames held in the headphone stage's unfinished block, 0..8191 (audio thread only).
extern uint32_t g_hpFill;

// Serialises the chunk handlers of DSP instances that run at the same time: the engine
// state is shared, so two chains must not interleave inside it. Uncontended in normal use.
std::mutex& HVEngineMutex();
