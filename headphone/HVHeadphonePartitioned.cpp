#include "headphone/HVHeadphonePartitioned.h"

#include <algorithm>
#include <cstring>

#include "headphone/HVHeadphone.h"
#include "headphone/HVHeadphoneState.h"

HrirSet BuiltinHeadphoneSet(int flavour) {
    // The block engine scales its unnormalised inverse transforms by HP_OUT_SCALE, i.e. by
    // 1/HP_FFT (the transform's own gain) times 0.89125 (-1 dB): the -1 dB is the bank's level.
    const float level = HP_OUT_SCALE * float(HP_FFT);
    HrirSet set;
    set.rate = kBuiltinBankRate;
    for (int s = 0; s < HrirSet::kSpeakers; ++s)
        for (int e = 0; e < 2; ++e) {
            const float* taps = HRIR_TABLE + ((flavour * 5 + s) * 2 + e) * HP_BLOCK;
            std::vector<float>& h = set.taps[size_t(s)][size_t(e)];
            h.assign(taps, taps + HP_BLOCK);
            for (float& v : h) v *= level;
        }
    return set;
}

bool HVPartitionedHeadphone::Selected(uint32_t rate) const {
    return m_user != nullptr || m_block != HP_BLOCK || !HeadphoneRateSupported(rate);
}

bool HVPartitionedHeadphone::PreparedFor(uint32_t rate) const {
    return m_prepared && m_rate == rate && m_preparedGeneration == m_generation;
}

void HVPartitionedHeadphone::Prepare(uint32_t rate) {
    if (PreparedFor(rate)) return;
    m_prepared = false;
    m_builtin = m_user == nullptr;
    // The built-in bank's taps serve 44.1 and 48 kHz as they are (as in the block engine);
    // every other rate gets them resampled from 44.1 kHz.
    const auto atRate = [&](const HrirSet& set) {
        if (m_builtin && HeadphoneRateSupported(rate)) return set;
        return set.resampled(double(rate));
    };
    for (int f = 0; f < (m_builtin ? 2 : 1); ++f) {
        const HrirSet set = atRate(m_builtin ? BuiltinHeadphoneSet(f) : *m_user);
        const auto responses = set.convolverResponses();
        m_conv[f].prepare(m_block, 5, responses);
    }
    if (!m_builtin) m_conv[1] = PartitionedConvolver();
    m_rate = rate;
    m_preparedGeneration = m_generation;
    m_prepared = true;
    Reset();
}

void HVPartitionedHeadphone::Reset() {
    if (m_prepared)
        for (int f = 0; f < (m_builtin ? 2 : 1); ++f) m_conv[f].reset();
    m_owed = 0;
    m_flavour = -1;
}

void HVPartitionedHeadphone::Process(const HVLIB_CONFIG& cfg, HVFrames& chunk) {
    const int flavour = m_builtin && cfg.dwHeadphonesMode != 0 ? 1 : 0;
    if (flavour != m_flavour) {
        // A change of response set starts that set's convolver afresh; the frames already
        // owed to the stream stay owed.
        if (m_flavour >= 0) m_conv[flavour].reset();
        m_flavour = flavour;
    }
    PartitionedConvolver& conv = m_conv[flavour];
    const uint32_t n = chunk.m_dwCount;
    if (n == 0) return;
    HVCHUNK_INTCHUNK* fr = chunk.m_pData;
    // The LFE joins the sources first, in double and rounded once as the block engine does.
    if (m_builtin) {
        const double g = HP_LFE_GAIN;
        for (uint32_t i = 0; i < n; ++i) {
            const double lfe = g * double(fr[i].f[HV_LFE]);
            fr[i].f[HV_L] = float(double(fr[i].f[HV_L]) + lfe);
            fr[i].f[HV_R] = float(double(fr[i].f[HV_R]) + lfe);
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) fr[i].f[HV_C] += fr[i].f[HV_LFE];
    }
    constexpr size_t stride = sizeof(HVCHUNK_INTCHUNK) / sizeof(float);
    float* base = fr[0].f;
    const float* in[5] = {base + HV_L, base + HV_R, base + HV_C, base + HV_SL, base + HV_SR};
    conv.process(in, stride, base + HV_L, base + HV_R, stride, n);

    // Drop the convolver's delay so the stream stays in step with the block engine's.
    const uint32_t delay = conv.latencyFrames();
    const uint32_t drop = delay > m_owed ? std::min(n, delay - m_owed) : 0;
    m_owed += drop;
    const uint32_t m = n - drop;
    for (uint32_t i = 0; i < m; ++i) {
        float* d = fr[i].f;
        const float* s = fr[i + drop].f;
        d[HV_L] = s[HV_L];
        d[HV_R] = s[HV_R];
        d[HV_C] = d[HV_LFE] = d[HV_SL] = d[HV_SR] = 0.0f;
    }
    chunk.m_dwCount = m;
    chunk.m_dwPos = 0;
}
