// The headphone operation: collect L, R, C, SL, SR (LFE folded into L and R) into blocks of
// 8192 frames, convolve each finished block with the ten responses of the flavour in force
// (overlap-add, five sources per ear), and hand back the stereo result of the blocks that
// finished in this call. Samples of an unfinished block wait for a later call.
//
// Shared by both kernel sets: one code path, so their outputs are bit-identical. Sums and
// products of the fill, the spectral products and the overlap-add are formed in double and
// rounded once when stored; the transforms are kissfft's single precision.
#include "headphone/HVHeadphone.h"

#include "headphone/HVGpu.h"
#include "headphone/HVHeadphoneBlock.h"
#include "headphone/HVHeadphoneState.h"

void HeadphoneFillBlock(HVHeadphoneState& st, const HVFrames& chunk, uint32_t first, uint32_t count) {
    float* t0 = st.m_time[0].m_pData + st.m_fill;
    float* t1 = st.m_time[1].m_pData + st.m_fill;
    float* t2 = st.m_time[2].m_pData + st.m_fill;
    float* t3 = st.m_time[3].m_pData + st.m_fill;
    float* t4 = st.m_time[4].m_pData + st.m_fill;
    const HVCHUNK_INTCHUNK* in = chunk.m_pData + first;
    const double lfeGain = HP_LFE_GAIN;
    for (uint32_t i = 0; i < count; ++i) {
        const float* fr = in[i].f;
        const double lfe = lfeGain * double(fr[HV_LFE]);
        t0[i] = float(double(fr[HV_L]) + lfe);
        t1[i] = float(double(fr[HV_R]) + lfe);
        t2[i] = fr[HV_C];
        t3[i] = fr[HV_SL];
        t4[i] = fr[HV_SR];
    }
    st.m_fill += count;
}

void HeadphoneForwardTransforms(HVHeadphoneState& st) {
    for (int s = 0; s < 5; ++s)
        kiss_fftr(st.m_fftForward, st.m_time[s].m_pData,
                  reinterpret_cast<kiss_fft_cpx*>(st.m_inSpec[s].m_pData));
}

void HeadphoneMultiplySpectra(HVHeadphoneState& st, int flavour) {
    const HVHeadphoneBank& bank = BankOf(st);
    for (int s = 0; s < 5; ++s) {
        const HVCHUNK_02* x = st.m_inSpec[s].m_pData;
        const HVCHUNK_02* hl = bank.spec[flavour][0][s].m_pData;
        const HVCHUNK_02* hr = bank.spec[flavour][1][s].m_pData;
        HVCHUNK_02* pl = st.m_prodSpec[0][s].m_pData;
        HVCHUNK_02* pr = st.m_prodSpec[1][s].m_pData;
        // Complex product without conjugation or scaling; (re, im) live in (l, r).
        for (uint32_t k = 0; k < HP_BINS; ++k) {
            const double xr = x[k].l, xi = x[k].r;
            pl[k].l = float(xr * double(hl[k].l) - xi * double(hl[k].r));
            pl[k].r = float(xr * double(hl[k].r) + xi * double(hl[k].l));
            pr[k].l = float(xr * double(hr[k].l) - xi * double(hr[k].r));
            pr[k].r = float(xr * double(hr[k].r) + xi * double(hr[k].l));
        }
    }
}

void HeadphoneInverseTransforms(HVHeadphoneState& st) {
    for (int e = 0; e < 2; ++e)
        for (int s = 0; s < 5; ++s)
            kiss_fftri(st.m_fftInverse, reinterpret_cast<const kiss_fft_cpx*>(st.m_prodSpec[e][s].m_pData),
                       st.m_conv[e][s].m_pData);
}

void HeadphoneConvolveBlock(HVHeadphoneState& st, int flavour) {
    HeadphoneForwardTransforms(st);
    HeadphoneMultiplySpectra(st, flavour);
    HeadphoneInverseTransforms(st);
}

void HeadphoneOverlapAdd(HVHeadphoneState& st, uint32_t block) {
    HVCHUNK_02* out = st.m_out.m_pData + size_t(block) * HP_BLOCK;
    HVCHUNK_02* tail = st.m_tail.m_pData;
    const double scale = HP_OUT_SCALE;
    const float *l0 = st.m_conv[0][0].m_pData, *l1 = st.m_conv[0][1].m_pData, *l2 = st.m_conv[0][2].m_pData,
                *l3 = st.m_conv[0][3].m_pData, *l4 = st.m_conv[0][4].m_pData;
    const float *r0 = st.m_conv[1][0].m_pData, *r1 = st.m_conv[1][1].m_pData, *r2 = st.m_conv[1][2].m_pData,
                *r3 = st.m_conv[1][3].m_pData, *r4 = st.m_conv[1][4].m_pData;
    for (uint32_t i = 0; i < HP_BLOCK; ++i) {
        // First half of this block's convolutions plus the tail of the previous block, in
        // the order L, tail, R, C, SL, SR; scaled once, added onto the cleared output
        // (0.0 + x: a negative zero comes out positive).
        const double left =
            double(l0[i]) + double(tail[i].l) + double(l1[i]) + double(l2[i]) + double(l3[i]) + double(l4[i]);
        const double right =
            double(r0[i]) + double(tail[i].r) + double(r1[i]) + double(r2[i]) + double(r3[i]) + double(r4[i]);
        out[i].l = float(0.0 + scale * left);
        out[i].r = float(0.0 + scale * right);
        // Second half, unscaled, waits for the next block.
        const uint32_t j = i + HP_BLOCK;
        tail[i].l = float(double(l1[j]) + double(l0[j]) + double(l2[j]) + double(l3[j]) + double(l4[j]));
        tail[i].r = float(double(r1[j]) + double(r0[j]) + double(r2[j]) + double(r3[j]) + double(r4[j]));
    }
}

void HeadphoneProcess(HVHeadphoneState& st, const HVLIB_CONFIG& cfg, HVFrames& chunk, const char* module) {
    if (!st.m_bInit) InitHeadphoneFilters(st);

    const bool gpu = cfg.bCUDA != 0 && GpuSupported();
    if (gpu && !st.m_gpu.m_bInit) InitGPUResources(st);
    if (!gpu && st.m_gpu.m_bInit) ReleaseGPUResources(st);

    const int flavour = cfg.dwHeadphonesMode != 0 ? 1 : 0;
    const uint32_t n = chunk.m_dwCount;
    const uint32_t blocks = uint32_t((uint64_t(st.m_fill) + n) / HP_BLOCK);
    st.m_out.Resize(blocks * HP_BLOCK);

    uint32_t p = 0;
    for (uint32_t b = 0; b < blocks; ++b) {
        const uint32_t take = HP_BLOCK - st.m_fill;
        HeadphoneFillBlock(st, chunk, p, take);
        p += take;
        st.m_fill = 0;
        if (!(gpu && GpuConvolveBlock(st, flavour, module))) HeadphoneConvolveBlock(st, flavour);
        HeadphoneOverlapAdd(st, b);
    }
    HeadphoneFillBlock(st, chunk, p, n - p);

    if (blocks == 0) {
        chunk.m_dwCount = 0;
        chunk.m_dwPos = 0;
        return;
    }
    const uint32_t m = blocks * HP_BLOCK;
    chunk.Resize(m);
    const HVCHUNK_02* out = st.m_out.m_pData;
    for (uint32_t i = 0; i < m; ++i) {
        float* fr = chunk.m_pData[i].f;
        fr[HV_L] = out[i].l;
        fr[HV_R] = out[i].r;
        fr[HV_C] = fr[HV_LFE] = fr[HV_SL] = fr[HV_SR] = 0.0f;
    }
}
