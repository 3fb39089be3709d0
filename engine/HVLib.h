// CHVLib: the engine of one stream. It owns all of the stream's processing state: the
// kernel state shared by its two kernel sets, the kernel sets bound to it, and the
// headphone stage. Any number of engines may exist; each is used by one thread at a time.
//
// Per chunk, the host (audio thread) publishes its settings with SetConfig, honours its
// reset/recalc requests (Reset, CalcStaticConstants), converts host floats into frames
// (ConvertFloatToInternal), runs ProcessChunk and converts the frames back with Kernels()
// by the layout code it returns. Layout codes are host channel counts: 1 mono (C), 2 L R,
// 5 L R C SL SR, 6 L R C LFE SL SR; any other count passes through untouched.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"
#include "headphone/HVHeadphonePartitioned.h"
#include "headphone/HVHeadphoneState.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/HVFnx87.h"
#include "kernels/HVKernelState.h"

class CHVLib {
  public:
    CHVLib();   // history silent, no settings published, rate 0
    ~CHVLib();  // frees the headphone FFT plans and the GPU resources
    CHVLib(const CHVLib&) = delete;
    CHVLib& operator=(const CHVLib&) = delete;

    // Clears all processing history and releases what holds it: decoder work buffers and
    // filter memories, the headphone tail and fill, the room delay lines, the GPU
    // resources. Derived constants, the sample rate and the response spectra stay.
    void Reset();
    // The same history cleared without releasing any storage or device state (streaming
    // hosts, which must not allocate on their audio thread afterwards).
    void ClearHistory();

    // The configuration in force for the following calls (not copied: it must outlive them;
    // nullptr withdraws it).
    void SetConfig(const HVLIB_CONFIG* cfg) { m_state.m_pConfig = cfg; }
    const HVLIB_CONFIG* Config() const { return m_state.m_pConfig; }
    // Recomputes the derived constants from the configuration in force for fs Hz.
    void CalcStaticConstants(uint32_t fs) { m_state.CalcStaticConstants(fs); }

    // Fills `frames` from n interleaved host floats of layout `code`. Unsupported codes give
    // n frames of silence and return false.
    bool ConvertFloatToInternal(uint32_t code, const float* p, uint32_t n, HVFrames& frames);

    // Runs the mode stage and the room stages on `frames` in place; returns the layout code
    // of the result.
    uint32_t ProcessChunk(uint32_t code, HVFrames& frames);

    // The headphone stage of ProcessChunk with kernel set `k` (used for the stereo
    // pre-decode): the chunk becomes the stereo output of the blocks it completes.
    void ProcessHeadphones(CHVFn& k, uint32_t code, HVFrames& frames);

    // The kernel set for the configuration in force: SSE2 when asked for and supported.
    CHVFn& Kernels();
    CHVFnx87& Scalar() { return m_fnx87; }
    CHVFnSSE2& Vector() { return m_fnSSE2; }

    // Stream state, for the benchmarks and tests of single stages.
    HVKernelState& State() { return m_state; }
    HVHeadphoneState& Headphone() { return m_headphone; }

    // Hz of the last CalcStaticConstants (0 before): any thread.
    uint32_t GetSRate() const;
    // Input frames held in the headphone stage's unfinished block, 0..8191.
    uint32_t HeadphoneFill() const { return m_headphone.m_fill; }

    // The headphone responses (nullptr: the built-in bank) and first block (64..8192, a
    // power of two); either change clears the headphone history. The block engine runs for
    // the built-in bank at 44.1 and 48 kHz with block 8192, the partitioned stage otherwise.
    void SetHeadphoneResponses(std::shared_ptr<const HrirSet> set);
    void SetHeadphoneBlock(uint32_t block);
    uint32_t HeadphoneBlock() const { return m_partitioned.Block(); }
    HVPartitionedHeadphone& Partitioned() { return m_partitioned; }

    // Process-wide capabilities: the processor has SSE2 (CPUID 1, EDX bit 26); a CUDA
    // device was selected at load and has not failed since (any thread).
    static int IsSSE2Supported();
    static int IsCUDASupported();

  private:
    HVKernelState m_state;
    CHVFnx87 m_fnx87{m_state};
    CHVFnSSE2 m_fnSSE2{m_state};
    HVHeadphoneState m_headphone;
    HVPartitionedHeadphone m_partitioned;
};
