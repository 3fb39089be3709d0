// Headphone virtualiser on the processor: block FFT convolution of L, R, C, SL, SR (LFE
// folded into L and R) with binaural room responses, 8192-sample blocks, overlap-add.
//
// Latency: output lags input by the stream's fill level (0..8191 frames); the player host
// is told 0. A streaming host that wants a constant delay holds HP_BLOCK - 1 frames.
// Threads: the audio thread of the stream that owns the state.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"

struct HVHeadphoneState;

inline constexpr uint32_t HP_BLOCK = 8192;  // taps per response, block length
inline constexpr uint32_t HP_FFT = 16384;   // real transform length
inline constexpr uint32_t HP_BINS = 8193;   // complex bins of one real spectrum

// The LFE is added to the L and R sources with this gain (about +7 dB).
inline constexpr float HP_LFE_GAIN = 2.235f;
// Output scale: 1/HP_FFT for the unnormalised inverse transform, times 0.89125 (-1 dB).
inline constexpr float HP_OUT_SCALE = 0.89125f / 16384.0f;

// The rates the built-in responses are made for, the block engine's rates; at any other rate
// the partitioned stage (HVHeadphonePartitioned.h) plays the bank resampled.
inline bool HeadphoneRateSupported(uint32_t rate) { return rate == 44100 || rate == 48000; }

// The headphone operation. `cfg` is the configuration in force (flavour, GPU request);
// `module` names the calling kernel set in GPU error messages. The stereo pre-decode of a
// stereo source is the caller's (it runs the decoder first when the flavour's decode flag
// is set); this stage sees five-channel frames.
// In place: the chunk is replaced by the stereo output (slots 0 and 1, slots 2..5 zero) of
// the 8192-frame blocks completed in this call, so it may come back empty or longer than it
// went in; the rest waits in the unfinished block (st.m_fill frames).
// Allocates only on first use and when a call completes more blocks than any before.
void HeadphoneProcess(HVHeadphoneState& st, const HVLIB_CONFIG& cfg, HVFrames& chunk, const char* module);

// Prepares the work buffers and FFT plans once (and the shared bank on first use).
void InitHeadphoneFilters(HVHeadphoneState& st);
// Engine reset: overlap tail to zero, fill to 0.
void ResetHeadphoneState(HVHeadphoneState& st);
// Frees the FFT plans; a later chunk prepares them again.
void ReleaseHeadphoneFilters(HVHeadphoneState& st);
