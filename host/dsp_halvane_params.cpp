#include "host/dsp_halvane_params.h"

#include <cstring>

namespace {

enum Word : int {
    kMode = 0, kMasterGain, kSurroundMode, kCentreWeight, kSurroundDelayMusic, kSurroundDelayMovie,
    kMusicSurroundShelf, kHeadphonesMode, kHeadphonesDecodeMusic, kHeadphonesDecodeMovie, kOperations,
    kDelayL, kDelaySR = kDelayL + 5, kTrimL, kTrimSR = kTrimL + 5, kLFERedir, kLFEInvert, kLFECutoff,
    kSSE2, kCUDA,
};
static_assert(kCUDA == 27);

uint32_t Flag(uint32_t v) { return v ? 1u : 0u; }

uint32_t ClampSigned(uint32_t v, int32_t lo, int32_t hi) {
    int32_t s = static_cast<int32_t>(v);
    if (s > hi) s = hi;
    if (s < lo) s = lo;
    return static_cast<uint32_t>(s);
}

// The record as 28 words (native order), by copy: the record has no padding.
void ToWords(const HVLIB_CONFIG& c, uint32_t w[kHVConfigWords]) { std::memcpy(w, &c, sizeof(c)); }
void FromWords(const uint32_t w[kHVConfigWords], HVLIB_CONFIG& c) { std::memcpy(static_cast<void*>(&c), w, sizeof(c)); }

}  // namespace

t_dsp_halvane_params::t_dsp_halvane_params(
    uint32_t p_dwMode, int32_t p_nMasterGain, uint32_t p_dwSurroundMode, uint32_t p_dwCentreWeight,
    uint32_t p_dwSurroundDelayMusic, uint32_t p_dwSurroundDelayMovie, uint32_t p_bMusicSurroundShelf,
    uint32_t p_dwHeadphonesMode, uint32_t p_bHeadphonesDecodeMusic, uint32_t p_bHeadphonesDecodeMovie,
    uint32_t p_uOperations, uint32_t p_dwDelayL, uint32_t p_dwDelayR, uint32_t p_dwDelayC,
    uint32_t p_dwDelaySub, uint32_t p_dwDelaySL, uint32_t p_dwDelaySR, int32_t p_nTrimL, int32_t p_nTrimR,
    int32_t p_nTrimC, int32_t p_nTrimSub, int32_t p_nTrimSL, int32_t p_nTrimSR, uint32_t p_bLFERedir,
    uint32_t p_bLFEInvert, uint32_t p_dwLFECutoff, uint32_t p_bSSE2, uint32_t p_bCUDA) {
    m_config = HVLIB_CONFIG{p_dwMode, p_nMasterGain, p_dwSurroundMode, p_dwCentreWeight,
                            p_dwSurroundDelayMusic, p_dwSurroundDelayMovie, p_bMusicSurroundShelf,
                            p_dwHeadphonesMode, p_bHeadphonesDecodeMusic, p_bHeadphonesDecodeMovie,
                            p_uOperations, p_dwDelayL, p_dwDelayR, p_dwDelayC, p_dwDelaySub, p_dwDelaySL,
                            p_dwDelaySR, p_nTrimL, p_nTrimR, p_nTrimC, p_nTrimSub, p_nTrimSL, p_nTrimSR,
                            p_bLFERedir, p_bLFEInvert, p_dwLFECutoff, p_bSSE2, p_bCUDA};
}

t_dsp_halvane_params t_dsp_halvane_params::g_default() {
    // Mode 2 (steered decoder, Music flavour), no gain, full centre, movie surround delay
    // 10 ms, both headphone decode options on, cutoff 120 Hz, SSE2 and GPU allowed.
    // uOperations is reserved; we write 0.
    return t_dsp_halvane_params(2, 0, 1, 100, 0, 10, 0, 0, 1, 1, 0,  //
                                0, 0, 0, 0, 0, 0,                     // delays
                                0, 0, 0, 0, 0, 0,                     // trims
                                0, 0, 120, 1, 1);
}

uint32_t t_dsp_halvane_params::RepairWord(int p_word, uint32_t v) {
    // "unsigned" rules compare the word as an unsigned number: a negative value counts as
    // a very large one, so -5 becomes the upper limit, never the lower.
    switch (p_word) {
        case kMode: return v > 4 ? 2 : v;
        case kMasterGain: return ClampSigned(v, -6, 6);
        case kSurroundMode: return v > 1 ? 1 : v;
        case kCentreWeight:
        case kSurroundDelayMusic: return v >= 100 ? 100 : v;
        case kSurroundDelayMovie:
            if (v >= 100) v = 100;
            return v <= 10 ? 10 : v;
        case kHeadphonesMode: return v > 1 ? 0 : v;
        case kOperations: return v;
        case kLFECutoff:
            if (v > 200) v = 120;  // out of range falls back to the default, not the limit
            return v < 20 ? 20 : v;
        case kMusicSurroundShelf:
        case kHeadphonesDecodeMusic:
        case kHeadphonesDecodeMovie:
        case kLFERedir:
        case kLFEInvert:
        case kSSE2:
        case kCUDA: return Flag(v);
        default:
            if (p_word >= kDelayL && p_word <= kDelaySR) return v >= 100 ? 100 : v;
            if (p_word >= kTrimL && p_word <= kTrimSR) return ClampSigned(v, -12, 12);
            return v;
    }
}

bool t_dsp_halvane_params::set_data(const dsp_preset& p_data) {
    // Both checks come before any store: a rejected preset never changes the record.
    if (p_data.get_owner() != HALVANE_GUID) return false;
    if (p_data.get_data_size() != kPresetBytes) return false;
    const uint8_t* p = static_cast<const uint8_t*>(p_data.get_data());
    if (!p) return false;

    uint32_t w[kHVConfigWords];
    ToWords(m_config, w);
    for (int i = 0; i < kHVConfigWords; ++i) {
        if (i == kOperations) continue;  // the record keeps its own reserved word
        const uint8_t* b = p + 4 * i;
        const uint32_t le = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        w[i] = RepairWord(i, le);
    }
    FromWords(w, m_config);
    return true;
}

void t_dsp_halvane_params::get_data(dsp_preset& p_data) const {
    uint32_t w[kHVConfigWords];
    ToWords(m_config, w);
    uint8_t bytes[kPresetBytes];
    for (int i = 0; i < kHVConfigWords; ++i) {
        for (int k = 0; k < 4; ++k) bytes[4 * i + k] = uint8_t(w[i] >> (8 * k));
    }
    p_data.set_owner(HALVANE_GUID);
    p_data.set_data(bytes, kPresetBytes);
}
