// Sample element types of the engine.
//
// HVCHUNK_INTCHUNK is the internal frame: eight floats per sample instant, slots
// L, R, C, LFE, SL, SR, spare, spare. Frames are 32 bytes, so in a 16-byte-aligned buffer
// every frame is two aligned groups of four floats (slots 0-3 and 4-7), the unit the vector
// kernels work on. Nominal full scale is +-1.0; nothing here clips.
#pragma once

#include <cstdint>

enum HVSlot : int { HV_L = 0, HV_R = 1, HV_C = 2, HV_LFE = 3, HV_SL = 4, HV_SR = 5 };

struct HVCHUNK_INTCHUNK {
    float f[8];
};
static_assert(sizeof(HVCHUNK_INTCHUNK) == 32);

// Host-layout output elements (interleaved, in host channel order).
struct HVCHUNK_02 {  // L, R; also a complex bin (re, im) in the headphone spectra
    float l, r;
};
struct HVCHUNK_05 {  // L, R, C, SL, SR
    float l, r, c, sl, sr;
};
struct HVCHUNK_06 {  // L, R, C, LFE, SL, SR
    float l, r, c, lfe, sl, sr;
};
struct HVCHUNK_S16SIX {  // L, R, C, LFE, SL, SR as 16-bit integers (little-endian host)
    int16_t s[6];
};
struct HVCHUNK_S24SIX {  // L, R, C, LFE, SL, SR as packed little-endian 24-bit integers
    uint8_t b[18];
};
static_assert(sizeof(HVCHUNK_02) == 8 && sizeof(HVCHUNK_05) == 20 && sizeof(HVCHUNK_06) == 24);
static_assert(sizeof(HVCHUNK_S16SIX) == 12 && sizeof(HVCHUNK_S24SIX) == 18);

// Scale factors of the integer input path: integer full scale enters 3 dB below float
// full scale (each includes 0.707).
inline constexpr float FDIV8 = 0.707f / 128.0f;
inline constexpr float FDIV16 = 0.707f / 32768.0f;
inline constexpr float FDIV32 = 0.707f / 2147483648.0f;
