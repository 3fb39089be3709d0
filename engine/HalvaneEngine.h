// halvane::Engine: one surround processing stream, the core's public interface.
//
// Every host other than the player component (LV2 plugins, command-line renderers,
// benchmarks) processes through this class; the component's shared engine is one instance
// of it. An engine owns all of its processing state (settings in force, derived constants,
// filter memories, delay lines, headphone blocks and spectra, FFT plans, GPU buffers), so
// any number of engines run side by side, on any threads, independently. Read-only tables
// (the built-in response bank) are shared, built once and thread-safely.
//
// Units and scaling: samples are 32-bit floats, nominal full scale +-1.0, never clipped.
// Rates in Hz. Frame counts are per channel. Channel orders: 1 = C; 2 = L R;
// 5 = L R C SL SR; 6 = L R C LFE SL SR (the WAVE_FORMAT_EXTENSIBLE masks 4, 3, 55, 63).
//
// Threads: one engine is used by one thread at a time (no internal locking). Different
// engines need no coordination. The process-wide GPU give-up state is atomic.
//
// Allocation: the constructor and Prepare() allocate (without Prepare(), the first
// streaming calls do). After Prepare(), Process() and
// ProcessInterleaved() calls of any length do no allocation, take no lock and do no I/O
// (the engine works in pieces of at most kMaxPiece frames), as long as SetSettings() does
// not ask for room delays longer than 200 ms in all. RunChunk() follows the component's
// rules: its buffers grow only when a chunk is longer than any before.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/HVConfig.h"

class CHVLib;
struct HrirSet;  // headphone/HrirSet.h: five speakers times two ears of float taps

namespace halvane {

// Layout codes are channel counts. Returns the speaker mask of 1, 2, 5 or 6 channels, 0
// for any other count.
uint32_t ChannelMaskOf(uint32_t channels);

// The processor can run the SSE2 kernel set; a usable GPU is present (false once the GPU
// has failed in any engine of the process).
bool IsSSE2Supported();
bool IsCUDASupported();

// The built-in headphone bank of `flavour` (0 Music, 1 Movie) as a response set at its own
// rate (44.1 kHz), at the level the mode plays it: the reference for level matching and the
// source of the bank's resampled versions.
HrirSet BuiltinHeadphoneResponses(uint32_t flavour);

// First-block sizes of the headphone convolution: powers of two in this range.
inline constexpr uint32_t kMinHeadphoneBlock = 64;
inline constexpr uint32_t kMaxHeadphoneBlock = 8192;
bool IsValidHeadphoneBlock(uint32_t frames);

// Requests of the component's chunk handler (its reset and recalculation flags).
struct ChunkRequests {
    bool reset = false;   // clear the processing history before this chunk
    bool recalc = false;  // recompute derived constants (they are also recomputed on a rate change)
};

// The result of one RunChunk call: interleaved floats owned by the engine, valid until the
// next call on the same engine.
struct ChunkOutput {
    const float* data = nullptr;
    uint32_t frames = 0;
    uint32_t channels = 0;  // 1, 2, 5 or 6; for an unsupported input layout the input count
    uint32_t mask = 0;      // ChannelMaskOf(channels)
    bool processed = false; // false: unsupported layout, the input is to be passed through as it came
};

class Engine {
public:
    // An engine for `sampleRate` Hz with `settings` in force (history silent).
    Engine(uint32_t sampleRate, const HVLIB_CONFIG& settings);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // ---- Streaming interface: exactly as many frames out as in, delayed by Latency(). ----

    // Replaces the settings; in force from the next call. Derived constants are recomputed;
    // a change of dwMode (or of anything that changes Latency()) also clears the history.
    void SetSettings(const HVLIB_CONFIG& settings);
    const HVLIB_CONFIG& Settings() const;
    uint32_t SampleRate() const;

    // Output delay of the streaming interface in frames for an input of `inChannels`
    // channels under the settings in force: 0 in every mode but headphones, where it is
    // HeadphoneBlock() - 1 at every rate (8191 frames for the default 8192-frame block).
    // (The responses themselves may start late: a resampled set carries up to 1 ms of
    // leading room for the resampler, part of the sound, not of this delay.)
    uint32_t Latency(uint32_t inChannels) const;

    // ---- Headphone responses and block: set them before Prepare() (a plugin: at
    // activation), then read Latency(). Each change clears the history. ----

    // This stream's responses: a copy of `set` (any rate; resampled once, at the first
    // headphone processing at the stream's rate, when the rates differ), played as stored for
    // both flavours. Returns false, keeping the responses in force, for a set without a
    // positive finite rate or without a non-zero tap.
    bool SetHeadphoneResponses(const HrirSet& set);
    // Back to the built-in bank (the default).
    void UseBuiltinHeadphoneResponses();
    bool UsesBuiltinHeadphoneResponses() const;
    // The first partition of the headphone convolution, in frames (default 8192). Returns
    // false, keeping the block in force, unless IsValidHeadphoneBlock(frames).
    bool SetHeadphoneBlock(uint32_t frames);
    uint32_t HeadphoneBlock() const;

    // Allocates everything the streaming calls need for `inChannels` channels in every mode
    // (by running silence through them), then clears the history, so that later calls
    // never allocate. `maxFrames` is the host's largest block (calls may be longer).
    void Prepare(uint32_t maxFrames, uint32_t inChannels);

    // The streaming calls cut longer calls into pieces of at most this many frames.
    static constexpr uint32_t kMaxPiece = 4096;

    // Planar float in (inChannels of 1, 2, 5, 6) and out (outChannels of 1, 2, 5, 6), any
    // frame count from 0 up. In place is allowed: out[k] == in[k] (planar), out == in with
    // equal channel counts (interleaved).
    // The engine's result layout is mapped into the requested output layout by speaker:
    // speakers the result lacks are written as silence (the LFE of a five-channel result),
    // speakers the output lacks are dropped. An unsupported input layout passes through
    // (channel k to channel k, silence beyond).
    void Process(const float* const* in, uint32_t inChannels, float* const* out, uint32_t outChannels,
                 uint32_t frames);
    void ProcessInterleaved(const float* in, uint32_t inChannels, float* out, uint32_t outChannels, uint32_t frames);

    // Clears the processing history and the latency buffer (silence out for Latency() frames).
    // Allocates nothing.
    void Flush();

    // ---- Chunk interface: the component's per-chunk handling. ----

    // Runs one chunk with `settings` in force, as the player component does: honours the
    // requests, recomputes the constants when the rate differs from the last chunk's,
    // converts, runs the mode and room stages and converts back. The output may have another
    // channel count and (headphones) another frame count than the input.
    ChunkOutput RunChunk(const HVLIB_CONFIG& settings, uint32_t sampleRate, const float* interleaved,
                         uint32_t channels, uint32_t frames, ChunkRequests requests);

    // The rate of the last chunk (0 before the first), for status displays: any thread.
    uint32_t LastSampleRate() const;

    // The core engine under this interface (tests and benchmarks of the stages).
    CHVLib& Core();

private:
    struct Stream;
    std::unique_ptr<CHVLib> core_;
    std::unique_ptr<Stream> stream_;
};

}  // namespace halvane
