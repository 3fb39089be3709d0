// State of the headphone stage: the built-in bank's spectra (read-only, one copy for the
// process) and the per-stream block buffers, fill level, FFT plans and GPU buffers.
#pragma once

#include <kiss_fftr.h>

#include "engine/HVBuffer.h"
#include "headphone/HVHeadphone.h"

// Response spectra [flavour 0 Music, 1 Movie][ear 0 left, 1 right][source L R C SL SR],
// HP_BINS bins each: unnormalised forward DFT of the 8192 taps zero-padded to HP_FFT.
struct HVHeadphoneBank {
    HVBuffer<HVCHUNK_02> spec[2][2][5];
};
// The bank's spectra, transformed on first use (thread-safe) and never changed afterwards.
const HVHeadphoneBank& HeadphoneBank();

// The device side of one stream's GPU path (see HVGpu.h). All of it exists while m_bInit
// is 1; during a failed set-up or release a null pointer / false flag marks what does not.
struct HVGpuState {
    HVCHUNK_02* m_devHrirSpec[2][2][5] = {};  // [flavour][ear][source]: copies of the bank
    float* m_devWorkL = nullptr;              // left-ear work buffer, five slots
    float* m_devWorkR = nullptr;              // right-ear work buffer
    int m_planR2C = 0;
    int m_planC2R = 0;
    bool m_bPlanR2C = false;
    bool m_bPlanC2R = false;
    int m_bInit = 0;
};

// One stream's headphone stage. Audio thread of the stream only.
struct HVHeadphoneState {
    HVHeadphoneState() = default;
    ~HVHeadphoneState();  // frees the FFT plans and the device state
    HVHeadphoneState(const HVHeadphoneState&) = delete;
    HVHeadphoneState& operator=(const HVHeadphoneState&) = delete;

    const HVHeadphoneBank* m_bank = nullptr;  // the responses in use; nullptr: the built-in bank
    int m_bInit = 0;                          // 1 once the plans and work buffers exist
    kiss_fftr_cfg m_fftForward = nullptr;
    kiss_fftr_cfg m_fftInverse = nullptr;
    HVBuffer<float> m_time[5];              // block inputs, HP_FFT floats, upper half zero
    HVBuffer<HVCHUNK_02> m_inSpec[5];       // their spectra (processor path)
    HVBuffer<HVCHUNK_02> m_prodSpec[2][5];  // products per ear and source
    HVBuffer<float> m_conv[2][5];           // unscaled linear convolutions, HP_FFT floats
    HVBuffer<HVCHUNK_02> m_tail;            // unscaled overlap tail per ear, HP_BLOCK pairs
    HVBuffer<HVCHUNK_02> m_out;             // output of the blocks completed in one call
    uint32_t m_fill = 0;                    // input frames in the unfinished block, 0..8191
    HVGpuState m_gpu;
};

// The spectra a stream convolves with.
inline const HVHeadphoneBank& BankOf(const HVHeadphoneState& st) {
    return st.m_bank ? *st.m_bank : HeadphoneBank();
}

// The 20 responses: ((flavour * 5 + source) * 2 + ear) * HP_BLOCK floats, little-endian
// float32 data linked into the library.
extern const float* const HRIR_TABLE;
