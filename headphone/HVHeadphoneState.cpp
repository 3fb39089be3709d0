// Storage of the headphone stage's process-wide state (see HVHeadphoneState.h).
#include "headphone/HVHeadphoneState.h"

HVBuffer<HVCHUNK_02> g_hrirSpec[2][2][5];
kiss_fftr_cfg g_fftForward = nullptr;
kiss_fftr_cfg g_fftInverse = nullptr;

HVBuffer<float> g_hpTime[5];
HVBuffer<HVCHUNK_02> g_hpInSpec[5];
HVBuffer<HVCHUNK_02> g_hpProdSpec[2][5];
HVBuffer<float> g_hpConv[2][5];
HVBuffer<HVCHUNK_02> g_hpTail;
HVBuffer<HVCHUNK_02> g_hpOut;
