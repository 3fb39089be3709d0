// The headphone stage's process-wide state and its one-time preparation.
#include <cstring>

#include "engine/HVLib.h"
#include "headphone/HVHeadphoneState.h"

int g_bHeadphoneInit = 0;
HVBuffer<HVCHUNK_02> g_hrirSpec[2][2][5];
kiss_fftr_cfg g_fftForward = nullptr;
kiss_fftr_cfg g_fftInverse = nullptr;
HVBuffer<float> g_hpTime[5];
HVBuffer<HVCHUNK_02> g_hpInSpec[5];
HVBuffer<HVCHUNK_02> g_hpProdSpec[2][5];
HVBuffer<float> g_hpConv[2][5];
HVBuffer<HVCHUNK_02> g_hpTail;
HVBuffer<HVCHUNK_02> g_hpOut;

void InitHeadphoneFilters() {
    if (g_bHeadphoneInit) return;

    // Response spectra: the 8192 taps zero-padded to HP_FFT, transformed in place (kissfft
    // transforms into its own scratch space first, so input and output may coincide).
    for (int f = 0; f < 2; ++f)
        for (int e = 0; e < 2; ++e)
            for (int s = 0; s < 5; ++s) {
                HVBuffer<HVCHUNK_02>& spec = g_hrirSpec[f][e][s];
                spec.Resize(HP_BINS);
                float* t = reinterpret_cast<float*>(spec.m_pData);
                const float* taps = HRIR_TABLE + ((f * 5 + s) * 2 + e) * HP_BLOCK;
                std::memcpy(t, taps, HP_BLOCK * sizeof(float));
                std::memset(t + HP_BLOCK, 0, (2 * HP_BINS - HP_BLOCK) * sizeof(float));
            }
    kiss_fftr_cfg forward = kiss_fftr_alloc(HP_FFT, 0, nullptr, nullptr);
    for (auto& flavour : g_hrirSpec)
        for (auto& ear : flavour)
            for (auto& spec : ear)
                kiss_fftr(forward, reinterpret_cast<const float*>(spec.m_pData),
                          reinterpret_cast<kiss_fft_cpx*>(spec.m_pData));
    kiss_fftr_free(forward);

    // Work buffers: the zero padding of the block inputs is written once here and never
    // again; the tail starts silent.
    for (auto& t : g_hpTime) t.Resize(HP_FFT, true);
    for (auto& x : g_hpInSpec) x.Resize(HP_BINS);
    g_fftForward = kiss_fftr_alloc(HP_FFT, 0, nullptr, nullptr);
    for (auto& ear : g_hpProdSpec)
        for (auto& p : ear) p.Resize(HP_BINS);
    for (auto& ear : g_hpConv)
        for (auto& c : ear) c.Resize(HP_FFT);
    g_fftInverse = kiss_fftr_alloc(HP_FFT, 1, nullptr, nullptr);
    g_hpTail.Resize(HP_BLOCK, true);

    g_hpFill = 0;
    g_bHeadphoneInit = 1;
}

void ResetHeadphoneState() {
    if (g_hpTail.m_pData) std::memset(static_cast<void*>(g_hpTail.m_pData), 0, g_hpTail.m_dwCount * sizeof(HVCHUNK_02));
    g_hpFill = 0;
}

void ReleaseHeadphoneFilters() {
    if (!g_bHeadphoneInit) return;
    kiss_fftr_free(g_fftForward);
    kiss_fftr_free(g_fftInverse);
    g_fftForward = g_fftInverse = nullptr;
    g_bHeadphoneInit = 0;
}
