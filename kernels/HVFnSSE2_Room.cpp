// SSE2 room operations and the passive decoder. A frame is two aligned 4-lane groups
// (slots 0-3 and 4-7), so these per-frame kernels have no partial groups and never touch
// memory outside the frames they process. Every operation rounds to single precision.
#include <emmintrin.h>

#include "kernels/BiquadVector.h"
#include "kernels/DelayLines.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/KernelConstants.h"

namespace {
inline __m128 Broadcast(__m128 v, int lane) {
    switch (lane) {
        case 0: return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 0, 0, 0));
        case 1: return _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1));
        case 2: return _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 2, 2));
        default: return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
    }
}
}  // namespace

// Two 4-lane matrix products per frame:
//   slots 0-3 = l * (0.707, 0, 0.5, 0) + r * (0, 0.707, 0.5, 0)
//   slots 4-7 = l * (0.5, 0.5, 0, 0)   + r * (-0.5, -0.5, 0, 0)
// so LFE and the spares leave as 0 (NaN when an input is infinite, like the zero terms of
// the front outputs).
void CHVFnSSE2::DecodePassive(HVFrames& chunk) {
    const __m128 lLo = _mm_setr_ps(kPassiveFront, 0.0f, 0.5f, 0.0f), rLo = _mm_setr_ps(0.0f, kPassiveFront, 0.5f, 0.0f);
    const __m128 lHi = _mm_setr_ps(0.5f, 0.5f, 0.0f, 0.0f), rHi = _mm_setr_ps(-0.5f, -0.5f, 0.0f, 0.0f);
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        const __m128 in = _mm_load_ps(f);
        const __m128 l = Broadcast(in, HV_L), r = Broadcast(in, HV_R);
        _mm_store_ps(f, _mm_add_ps(_mm_mul_ps(l, lLo), _mm_mul_ps(r, rLo)));
        _mm_store_ps(f + 4, _mm_add_ps(_mm_mul_ps(l, lHi), _mm_mul_ps(r, rHi)));
    }
}

// The high-pass runs on slots 0-3 as one step. The LFE lane enters the filter as 0 (its
// memory column stays 0) and leaves as LFE + 0.316 x ((C - yC) + (R - yR) + (L - yL)).
void CHVFnSSE2::RedirectBass(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) {
    const BiquadVecCoeffs k(c);
    BiquadLanes mem = BiquadLanes::Load(st, 0);
    const __m128 front = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));  // L R C, not LFE
    const __m128 gain = _mm_set_ss(kRedirectGain);
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        const __m128 x = _mm_load_ps(f);
        const __m128 xf = _mm_and_ps(x, front);
        const __m128 y = mem.Step(k, xf);
        const __m128 d = _mm_sub_ps(xf, y);  // the low band of L, R, C in lanes 0-2
        const __m128 sum = _mm_add_ss(_mm_add_ss(Broadcast(d, HV_C), Broadcast(d, HV_R)), d);
        const __m128 lfe = _mm_add_ss(_mm_mul_ss(sum, gain), Broadcast(x, HV_LFE));
        _mm_store_ps(f, _mm_or_ps(_mm_and_ps(y, front), _mm_andnot_ps(front, Broadcast(lfe, 0))));
    }
    mem.Store(st, 0);
}

void CHVFnSSE2::DelayChannels(HVFrames& chunk, uint32_t flag) { DelayChannelsShared(m_s, chunk, flag); }

// HV_FLAG_HEADPHONES: L, R times the master gain, every other slot (spares included) cleared.
// HV_FLAG_ROOM: one factor per slot, trim x master rounded once per call; spares cleared.
void CHVFnSSE2::ApplyGains(HVFrames& chunk, uint32_t flag) {
    __m128 gLo, gHi;
    if (flag == HV_FLAG_HEADPHONES) {
        gLo = _mm_setr_ps(m_s.m_fMasterGain, m_s.m_fMasterGain, 0.0f, 0.0f);
        gHi = _mm_setzero_ps();
    } else {
        const __m128 m = _mm_set1_ps(m_s.m_fMasterGain);
        gLo = _mm_mul_ps(_mm_setr_ps(m_s.m_fTrim[0], m_s.m_fTrim[1], m_s.m_fTrim[2], m_s.m_fTrim[3]), m);
        gHi = _mm_mul_ps(_mm_setr_ps(m_s.m_fTrim[4], m_s.m_fTrim[5], 0.0f, 0.0f), m);
    }
    // The zero lanes are stored as zeros, not as 0 x sample, so an infinite or NaN sample in
    // a cleared slot does not survive as NaN.
    const __m128 keepLo = _mm_cmpneq_ps(gLo, _mm_setzero_ps());
    const __m128 keepHi = _mm_cmpneq_ps(gHi, _mm_setzero_ps());
    for (uint32_t i = 0; i < chunk.m_dwCount; ++i) {
        float* f = chunk[i].f;
        _mm_store_ps(f, _mm_and_ps(_mm_mul_ps(_mm_load_ps(f), gLo), keepLo));
        _mm_store_ps(f + 4, _mm_and_ps(_mm_mul_ps(_mm_load_ps(f + 4), gHi), keepHi));
    }
}
