// HVLIB_CONFIG: every user setting of the surround processor in one 112-byte record.
//
// 28 consecutive 32-bit words, native (little-endian) order, no padding; the word order is
// the stored preset layout. Prefixes: dw/u unsigned, n signed, b boolean (0 off, else on).
// Units: gains and trims in whole dB, delays in whole ms, frequencies in Hz.
// A record is a value: copy it whole, never share it across threads by pointer.
#pragma once

#include <cstdint>

struct HVLIB_CONFIG {
    uint32_t dwMode = 2;                // 0 bypass, 1 passive, 2 steered, 3 headphone, 4 encoder
    int32_t nMasterGain = 0;            // dB, -6..6
    uint32_t dwSurroundMode = 1;        // steered decoder flavour: 0 Movie, 1 Music
    uint32_t dwCentreWeight = 100;      // percent of the decoded centre kept in C (Music)
    uint32_t dwSurroundDelayMusic = 0;  // ms
    uint32_t dwSurroundDelayMovie = 10; // ms, 10..100
    uint32_t bMusicSurroundShelf = 0;   // 7 kHz low-pass on SL/SR of the steered decoder
    uint32_t dwHeadphonesMode = 0;      // response set: 0 Music, 1 Movie
    uint32_t bHeadphonesDecodeMusic = 1;
    uint32_t bHeadphonesDecodeMovie = 1;
    uint32_t uOperations = 0;           // reserved: never interpreted
    uint32_t dwDelayL = 0;              // room delays, ms, 0..100
    uint32_t dwDelayR = 0;
    uint32_t dwDelayC = 0;
    uint32_t dwDelaySub = 0;
    uint32_t dwDelaySL = 0;
    uint32_t dwDelaySR = 0;
    int32_t nTrimL = 0;                 // trims, dB, -12..12
    int32_t nTrimR = 0;
    int32_t nTrimC = 0;
    int32_t nTrimSub = 0;
    int32_t nTrimSL = 0;
    int32_t nTrimSR = 0;
    uint32_t bLFERedir = 0;             // move the bass of L, R, C into the LFE
    uint32_t bLFEInvert = 0;            // negate the LFE
    uint32_t dwLFECutoff = 120;         // Hz, 20..200
    uint32_t bSSE2 = 1;                 // use the SSE2 kernel set when the processor has it
    uint32_t bCUDA = 1;                 // use the GPU for the headphone convolution when present
};

static_assert(sizeof(HVLIB_CONFIG) == 112, "HVLIB_CONFIG is 28 words");

// Number of 32-bit words in the record, and word access by index (word order = field order).
inline constexpr int kHVConfigWords = 28;
uint32_t HVConfigWord(const HVLIB_CONFIG& cfg, int word);
void HVSetConfigWord(HVLIB_CONFIG& cfg, int word, uint32_t value);

// Field names in word order ("dwMode" ... "bCUDA"), and whether a word is signed (n-fields).
extern const char* const kHVConfigFieldNames[kHVConfigWords];
bool HVConfigWordIsSigned(int word);
// Index of a field name, or -1.
int HVConfigFieldIndex(const char* name);
