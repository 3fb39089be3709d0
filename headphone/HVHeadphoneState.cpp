// The bank's spectra and the preparation and release of a stream's headphone stage.
#include "headphone/HVHeadphoneState.h"

#include <cstring>
#include <memory>

#include "headphone/HVGpu.h"

namespace {
HVHeadphoneBank* BuildBank() {
    auto* bank = new HVHeadphoneBank;
    // The 8192 taps zero-padded to HP_FFT, transformed in place (kissfft transforms into its
    // own scratch space first, so input and output may coincide).
    kiss_fftr_cfg forward = kiss_fftr_alloc(HP_FFT, 0, nullptr, nullptr);
    for (int f = 0; f < 2; ++f)
        for (int e = 0; e < 2; ++e)
            for (int s = 0; s < 5; ++s) {
                HVBuffer<HVCHUNK_02>& spec = bank->spec[f][e][s];
                spec.Resize(HP_BINS);
                float* t = reinterpret_cast<float*>(spec.m_pData);
                const float* taps = HRIR_TABLE + ((f * 5 + s) * 2 + e) * HP_BLOCK;
                std::memcpy(t, taps, HP_BLOCK * sizeof(float));
                std::memset(t + HP_BLOCK, 0, (2 * HP_BINS - HP_BLOCK) * sizeof(float));
                kiss_fftr(forward, t, reinterpret_cast<kiss_fft_cpx*>(spec.m_pData));
            }
    kiss_fftr_free(forward);
    return bank;
}
}  // namespace

const HVHeadphoneBank& HeadphoneBank() {
    // Built once, thread-safely, on first use; freed when the library holding it is unloaded
    // (a stream's own destructor only releases its buffers and never reads the bank).
    static const std::unique_ptr<const HVHeadphoneBank> bank(BuildBank());
    return *bank;
}

HVHeadphoneState::~HVHeadphoneState() {
    ReleaseHeadphoneFilters(*this);
    ReleaseGPUResources(*this);
}

void InitHeadphoneFilters(HVHeadphoneState& st) {
    if (st.m_bInit) return;
    BankOf(st);  // the built-in bank is transformed on first use
    // Work buffers: the zero padding of the block inputs is written once here and never
    // again; the tail starts silent.
    for (auto& t : st.m_time) t.Resize(HP_FFT, true);
    for (auto& x : st.m_inSpec) x.Resize(HP_BINS);
    st.m_fftForward = kiss_fftr_alloc(HP_FFT, 0, nullptr, nullptr);
    for (auto& ear : st.m_prodSpec)
        for (auto& p : ear) p.Resize(HP_BINS);
    for (auto& ear : st.m_conv)
        for (auto& c : ear) c.Resize(HP_FFT);
    st.m_fftInverse = kiss_fftr_alloc(HP_FFT, 1, nullptr, nullptr);
    st.m_tail.Resize(HP_BLOCK, true);
    st.m_fill = 0;
    st.m_bInit = 1;
}

void ResetHeadphoneState(HVHeadphoneState& st) {
    if (st.m_tail.m_pData)
        std::memset(static_cast<void*>(st.m_tail.m_pData), 0, st.m_tail.m_dwCount * sizeof(HVCHUNK_02));
    st.m_fill = 0;
}

void ReleaseHeadphoneFilters(HVHeadphoneState& st) {
    if (!st.m_bInit) return;
    kiss_fftr_free(st.m_fftForward);
    kiss_fftr_free(st.m_fftInverse);
    st.m_fftForward = st.m_fftInverse = nullptr;
    st.m_bInit = 0;
}
