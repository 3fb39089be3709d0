// Headphone virtualiser on the processor: block FFT convolution of L, R, C, SL, SR (LFE
// folded into L and R) with binaural room responses, 8192-sample blocks, overlap-add.
//
// Latency: output lags input by g_hpFill frames (0..8191); the host is told 0.
// Threads: audio thread only.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"

class CHVFn;

inline constexpr uint32_t HP_BLOCK = 8192;  // taps per response, block length
inline constexpr uint32_t HP_FFT = 16384;   // real transform length
inline constexpr uint32_t HP_BINS = 8193;   // complex bins of one real spectrum

// The LFE is added to the L and R sources with this gain (about +7 dB).
inline constexpr float HP_LFE_GAIN = 2.235f;
// Output scale: 1/HP_FFT for the unnormalised inverse transform, times 0.89125 (-1 dB).
inline constexpr float HP_OUT_SCALE = 0.89125f / 16384.0f;

extern int g_bHeadphoneInit;  // 1 once the bank spectra and work buffers are prepared

// The headphone operation shared by both kernel sets (their results are bit-identical).
// `fn` is the calling set (used for the stereo pre-decode); `module` names the caller in
// GPU error messages. `code` is the input layout (1, 2, 5, 6); only code 2 matters: a
// stereo chunk is first run through fn.DecodeActive and fn.DelayChannels(chunk, 0) when the
// decode flag of the headphone flavour is set.
// In place: the chunk is replaced by the stereo output (slots 0 and 1, slots 2..5 zero) of
// the 8192-frame blocks completed in this call, so it may come back empty or longer than it
// went in; the rest waits in the unfinished block (g_hpFill frames). At rates other than
// 44100 and 48000 Hz the chunk and the stage are left untouched.
// Allocates only on first use and when a call completes more blocks than any before.
void HeadphoneProcess(CHVFn& fn, uint32_t code, HVFrames& chunk, const char* module);

// Prepares the response spectra, FFT configurations and work buffers once.
void InitHeadphoneFilters();
// Engine reset: overlap tail to zero, fill to 0.
void ResetHeadphoneState();
// Engine destruction: frees the FFT configurations; a later chunk prepares them again.
void ReleaseHeadphoneFilters();
