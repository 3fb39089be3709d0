// t_dsp_halvane_params: the gate between host presets and HVLIB_CONFIG.
//
// Preset data is exactly 112 bytes: the 28 words of HVLIB_CONFIG in record order, word n at
// bytes 4n..4n+3, little-endian two's complement, no header. The owner GUID is HALVANE_GUID,
// which also names the DSP service. Reading checks owner and size, then repairs every word
// into the range the dialog can show; writing stores the record unchanged.
// A plain value: copy freely, no resources, no shared state.
#pragma once

#include <cstdint>

#include "engine/HVConfig.h"
#include "sdk/dsp_preset.h"
#include "sdk/guid.h"

// {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}
inline constexpr GUID HALVANE_GUID = {0xb51fbad2, 0x8ba9, 0x4427, {0xbb, 0xd6, 0x5b, 0x03, 0xa3, 0xf5, 0xc3, 0xc0}};

class t_dsp_halvane_params {
public:
    static constexpr uint32_t kPresetBytes = 112;

    // The 28 words, stored unchanged (no repair).
    t_dsp_halvane_params(uint32_t p_dwMode, int32_t p_nMasterGain, uint32_t p_dwSurroundMode,
                         uint32_t p_dwCentreWeight, uint32_t p_dwSurroundDelayMusic,
                         uint32_t p_dwSurroundDelayMovie, uint32_t p_bMusicSurroundShelf,
                         uint32_t p_dwHeadphonesMode, uint32_t p_bHeadphonesDecodeMusic,
                         uint32_t p_bHeadphonesDecodeMovie, uint32_t p_uOperations, uint32_t p_dwDelayL,
                         uint32_t p_dwDelayR, uint32_t p_dwDelayC, uint32_t p_dwDelaySub,
                         uint32_t p_dwDelaySL, uint32_t p_dwDelaySR, int32_t p_nTrimL, int32_t p_nTrimR,
                         int32_t p_nTrimC, int32_t p_nTrimSub, int32_t p_nTrimSL, int32_t p_nTrimSR,
                         uint32_t p_bLFERedir, uint32_t p_bLFEInvert, uint32_t p_dwLFECutoff,
                         uint32_t p_bSSE2, uint32_t p_bCUDA);

    // The default record (the words of the default preset).
    static t_dsp_halvane_params g_default();

    static GUID g_get_guid() { return HALVANE_GUID; }

    // Reads a preset: false (record untouched) unless the owner is HALVANE_GUID and the data
    // is exactly 112 bytes; otherwise every word but uOperations is repaired and stored.
    bool set_data(const dsp_preset& p_data);
    // Writes the record as owner HALVANE_GUID plus 112 little-endian bytes. Cannot fail.
    void get_data(dsp_preset& p_data) const;

    // The repair of one word read from a preset (word index 0..27; word 10 is returned as is).
    static uint32_t RepairWord(int p_word, uint32_t p_value);

    const HVLIB_CONFIG& get_config() const { return m_config; }
    HVLIB_CONFIG& get_config() { return m_config; }

    HVLIB_CONFIG m_config;
};
