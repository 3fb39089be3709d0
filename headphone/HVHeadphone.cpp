// The headphone operation: collect L, R, C, SL, SR (LFE folded into L and R) into blocks of
// 8192 frames, convolve each finished block with the ten responses of the flavour in force
// (overlap-add, five sources per ear), and hand back the stereo result of the blocks that
// finished in this call. Samples of an unfinished block wait for a later call.
//
// Shared by both kernel sets: one code path, so their outputs are bit-identical. Sums and
// products of the fill, the spectral products and the overlap-add are formed in double and
// rounded once when stored; the transforms are kissfft's single precision.
#include "headphone/HVHeadphone.h"

#include "engine/HVLib.h"
#include "headphone/HVGpu.h"
#include "headphone/HVHeadphoneBlock.h"
#include "headphone/HVHeadphoneState.h"
#include "kernels/HVFn.h"

void HeadphoneFillBlock(const HVFrames& chunk, uint32_t first, uint32_t count) {
    float* t0 = g_hpTime[0].m_pData + g_hpFill;
    float* t1 = g_hpTime[1].m_pData + g_hpFill;
    float* t2 = g_hpTime[2].m_pData + g_hpFill;
    float* t3 = g_hpTime[3].m_pData + g_hpFill;
    float* t4 = g_hpTime[4].m_pData + g_hpFill;
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
    g_hpFill += count;
}

void HeadphoneForwardTransforms() {
    for (int s = 0; s < 5; ++s)
        kiss_fftr(g_fftForward, g_hpTime[s].m_pData, reinterpret_cast<kiss_fft_cpx*>(g_hpInSpec[s].m_pData));
}

void HeadphoneMultiplySpectra(int flavour) {
    for (int s = 0; s < 5; ++s) {
        const HVCHUNK_02* x = g_hpInSpec[s].m_pData;
        const HVCHUNK_02* hl = g_hrirSpec[flavour][0][s].m_pData;
        const HVCHUNK_02* hr = g_hrirSpec[flavour][1][s].m_pData;
        HVCHUNK_02* pl = g_hpProdSpec[0][s].m_pData;
        HVCHUNK_02* pr = g_hpProdSpec[1][s].m_pData;
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

void HeadphoneInverseTransforms() {
    for (int e = 0; e < 2; ++e)
        for (int s = 0; s < 5; ++s)
            kiss_fftri(g_fftInverse, reinterpret_cast<const kiss_fft_cpx*>(g_hpProdSpec[e][s].m_pData),
                       g_hpConv[e][s].m_pData);
}

void HeadphoneConvolveBlock(int flavour) {
    HeadphoneForwardTransforms();
    HeadphoneMultiplySpectra(flavour);
    HeadphoneInverseTransforms();
}

void HeadphoneOverlapAdd(uint32_t block) {
    HVCHUNK_02* out = g_hpOut.m_pData + size_t(block) * HP_BLOCK;
    HVCHUNK_02* tail = g_hpTail.m_pData;
    const double scale = HP_OUT_SCALE;
    const float *l0 = g_hpConv[0][0].m_pData, *l1 = g_hpConv[0][1].m_pData, *l2 = g_hpConv[0][2].m_pData,
                *l3 = g_hpConv[0][3].m_pData, *l4 = g_hpConv[0][4].m_pData;
    const float *r0 = g_hpConv[1][0].m_pData, *r1 = g_hpConv[1][1].m_pData, *r2 = g_hpConv[1][2].m_pData,
                *r3 = g_hpConv[1][3].m_pData, *r4 = g_hpConv[1][4].m_pData;
    for (uint32_t i = 0; i < HP_BLOCK; ++i) {
        // First half of this block's convolutions plus the tail of the previous block, in
        // the order L, tail, R, C, SL, SR; scaled once, added onto the cleared output
        // (0.0 + x: a negative zero comes out positive).
        const double left = double(l0[i]) + double(tail[i].l) + double(l1[i]) + double(l2[i]) + double(l3[i]) +
                            double(l4[i]);
        const double right = double(r0[i]) + double(tail[i].r) + double(r1[i]) + double(r2[i]) + double(r3[i]) +
                             double(r4[i]);
        out[i].l = float(0.0 + scale * left);
        out[i].r = float(0.0 + scale * right);
        // Second half, unscaled, waits for the next block.
        const uint32_t j = i + HP_BLOCK;
        tail[i].l = float(double(l1[j]) + double(l0[j]) + double(l2[j]) + double(l3[j]) + double(l4[j]));
        tail[i].r = float(double(r1[j]) + double(r0[j]) + double(r2[j]) + double(r3[j]) + double(r4[j]));
    }
}

void HeadphoneProcess(CHVFn& fn, uint32_t code, HVFrames& chunk, const char* module) {
    // Rate gate: the responses are made for 44.1 and 48 kHz only; other rates pass as they
    // came and the stage keeps its state.
    const uint32_t rate = CHVFn::m_dwSRate;
    if (rate != 44100 && rate != 48000) return;
    if (!g_bHeadphoneInit) InitHeadphoneFilters();

    const HVLIB_CONFIG& cfg = *CHVFn::m_pConfig;
    const bool gpu = cfg.bCUDA != 0 && CHVLib::m_bCUDASupport != 0;
    if (gpu && !g_bGPUInit) InitGPUResources();
    if (!gpu && g_bGPUInit) ReleaseGPUResources();

    const int flavour = cfg.dwHeadphonesMode != 0 ? 1 : 0;
    const uint32_t decode = flavour ? cfg.bHeadphonesDecodeMovie : cfg.bHeadphonesDecodeMusic;
    if (code == 2 && decode) {
        // Stereo sources are spread over five loudspeakers first; the surrounds get the
        // surround delay of the headphone flavour, the fronts none.
        fn.DecodeActive(chunk);
        fn.DelayChannels(chunk, 0);
    }

    const uint32_t n = chunk.m_dwCount;
    const uint32_t blocks = uint32_t((uint64_t(g_hpFill) + n) / HP_BLOCK);
    g_hpOut.Resize(blocks * HP_BLOCK);

    uint32_t p = 0;
    for (uint32_t b = 0; b < blocks; ++b) {
        const uint32_t take = HP_BLOCK - g_hpFill;
        HeadphoneFillBlock(chunk, p, take);
        p += take;
        g_hpFill = 0;
        if (!(gpu && GpuConvolveBlock(flavour, module))) HeadphoneConvolveBlock(flavour);
        HeadphoneOverlapAdd(b);
    }
    HeadphoneFillBlock(chunk, p, n - p);

    if (blocks == 0) {
        chunk.m_dwCount = 0;
        chunk.m_dwPos = 0;
        return;
    }
    const uint32_t m = blocks * HP_BLOCK;
    chunk.Resize(m);
    const HVCHUNK_02* out = g_hpOut.m_pData;
    for (uint32_t i = 0; i < m; ++i) {
        float* fr = chunk.m_pData[i].f;
        fr[HV_L] = out[i].l;
        fr[HV_R] = out[i].r;
        fr[HV_C] = fr[HV_LFE] = fr[HV_SL] = fr[HV_SR] = 0.0f;
    }
}
