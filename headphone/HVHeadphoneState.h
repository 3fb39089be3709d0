// Process-wide state of the headphone stage, shared by both kernel sets and the GPU path.
// Created once by InitHeadphoneFilters; audio thread only.
#pragma once

#include <kiss_fftr.h>

#include "engine/HVBuffer.h"
#include "headphone/HVHeadphone.h"

// Response spectra [flavour 0 Music, 1 Movie][ear 0 left, 1 right][source L R C SL SR],
// HP_BINS bins each: unnormalised forward DFT of the 8192 taps zero-padded to HP_FFT.
extern HVBuffer<HVCHUNK_02> g_hrirSpec[2][2][5];
extern kiss_fftr_cfg g_fftForward;
extern kiss_fftr_cfg g_fftInverse;

extern HVBuffer<float> g_hpTime[5];              // block inputs, HP_FFT floats, upper half zero
extern HVBuffer<HVCHUNK_02> g_hpInSpec[5];       // their spectra (processor path)
extern HVBuffer<HVCHUNK_02> g_hpProdSpec[2][5];  // products per ear and source
extern HVBuffer<float> g_hpConv[2][5];           // unscaled linear convolutions, HP_FFT floats
extern HVBuffer<HVCHUNK_02> g_hpTail;            // unscaled overlap tail per ear, HP_BLOCK pairs
extern HVBuffer<HVCHUNK_02> g_hpOut;             // output of the blocks completed in one call

// The 20 responses: ((flavour * 5 + source) * 2 + ear) * HP_BLOCK floats, little-endian
// float32 data linked into the module.
extern const float* const HRIR_TABLE;
