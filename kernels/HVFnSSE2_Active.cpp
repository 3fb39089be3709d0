// SSE2 steered decoder: four frames per step, one frame per lane, single precision with
// VectorLog/VectorExp. A last group of fewer than four frames is copied into a zero-padded
// local group and run through the same code, so every frame gets the same arithmetic
// wherever it falls in the chunk, and nothing outside the buffers is read or written.
#include <emmintrin.h>

#include <cstring>

#include "kernels/BiquadVector.h"
#include "kernels/HVFnSSE2.h"
#include "kernels/SteeringMatrix.h"
#include "kernels/VectorMath.h"

namespace {

struct alignas(16) FrameGroup {
    HVCHUNK_INTCHUNK f[4];
};

// Slots 0 and 1 of four consecutive frames as one vector each.
inline void LoadLR4(const HVCHUNK_INTCHUNK* f, __m128& l, __m128& r) {
    const __m128 a = _mm_unpacklo_ps(_mm_load_ps(f[0].f), _mm_load_ps(f[1].f));  // l0 l1 r0 r1
    const __m128 b = _mm_unpacklo_ps(_mm_load_ps(f[2].f), _mm_load_ps(f[3].f));  // l2 l3 r2 r3
    l = _mm_movelh_ps(a, b);
    r = _mm_movehl_ps(b, a);
}

inline __m128 Abs4(__m128 v) { return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))); }

// ln((a + k b) / (b + k a)) per lane, exact division; lanes with a = b = 0 give 0.
// For a, b >= 0 the ratio lies in [k, 1/k], but in single precision k a underflows to 0
// for the smallest subnormal a (the decaying tail of a filter after the music stops) and
// the ratio becomes inf: the log would then be 88.7 instead of ln 10 and drag the smoothed
// steering far outside its range. The ratio is therefore held to [k, 1/k], which changes
// nothing for any ratio that single precision computes correctly.
inline __m128 LeakyLogRatio4(__m128 a, __m128 b) {
    const __m128 k = _mm_set1_ps(kSteerLeak);
    const __m128 num = _mm_add_ps(a, _mm_mul_ps(k, b));
    const __m128 den = _mm_add_ps(b, _mm_mul_ps(k, a));
    const __m128 ratio = _mm_min_ps(_mm_max_ps(_mm_div_ps(num, den), k), _mm_set1_ps(kSteerRatioMax));
    const __m128 v = VectorLog(ratio);
    const __m128 zero = _mm_setzero_ps();
    return _mm_and_ps(v, _mm_or_ps(_mm_cmpgt_ps(a, zero), _mm_cmpgt_ps(b, zero)));
}

// Unsmoothed x and y of four frames.
inline void Steer4(const HVCHUNK_INTCHUNK* f, __m128& x, __m128& y) {
    __m128 l, r;
    LoadLR4(f, l, r);
    const __m128 s = Abs4(_mm_add_ps(l, r));
    const __m128 d = Abs4(_mm_sub_ps(l, r));
    x = LeakyLogRatio4(Abs4(l), Abs4(r));
    y = LeakyLogRatio4(s, d);
}

// The x and y smoothers run side by side in lanes 0 and 1 (lanes 2 and 3 are scratch), one
// frame per step, with exactly the arithmetic of FilterSamples. Running them in the same
// loop as the detector lets the two serial recursions overlap with the detector's
// arithmetic instead of each making its own pass over the buffer.
struct SteerSmoother {
    BiquadVecCoeffs c;
    BiquadLanes s;

    SteerSmoother(const BiquadCoeffs& coef, const BiquadState& stX, const BiquadState& stY) : c(coef) {
        auto pair = [&](int row) { return _mm_unpacklo_ps(_mm_set_ss(stX.m[row][0]), _mm_set_ss(stY.m[row][0])); };
        s = BiquadLanes{pair(0), pair(1), pair(2), pair(3)};
    }
    void Store(BiquadState& stX, BiquadState& stY) const {
        const __m128* rows[4] = {&s.x1, &s.x2, &s.y1, &s.y2};
        for (int row = 0; row < 4; ++row) {
            stX.m[row][0] = _mm_cvtss_f32(*rows[row]);
            stY.m[row][0] = _mm_cvtss_f32(_mm_shuffle_ps(*rows[row], *rows[row], _MM_SHUFFLE(1, 1, 1, 1)));
        }
    }
    // Smooths `count` (1..4) frames of x and y in place, in frame order.
    void Run(__m128& x, __m128& y, uint32_t count) {
        const __m128 lo = _mm_unpacklo_ps(x, y);  // x0 y0 x1 y1
        const __m128 hi = _mm_unpackhi_ps(x, y);  // x2 y2 x3 y3
        const __m128 in[4] = {lo, _mm_movehl_ps(lo, lo), hi, _mm_movehl_ps(hi, hi)};
        __m128 out[4] = {in[0], in[1], in[2], in[3]};
        for (uint32_t j = 0; j < count; ++j) out[j] = s.Step(c, in[j]);
        const __m128 o01 = _mm_movelh_ps(out[0], out[1]);  // x0 y0 x1 y1 smoothed
        const __m128 o23 = _mm_movelh_ps(out[2], out[3]);
        x = _mm_shuffle_ps(o01, o23, _MM_SHUFFLE(2, 0, 2, 0));
        y = _mm_shuffle_ps(o01, o23, _MM_SHUFFLE(3, 1, 3, 1));
    }
};

// The four gains of one steering measure: exp(-s max(v, 0)) and exp(s min(v, 0)). One of
// the two arguments is always 0 and VectorExp(0) is exactly 1, so one exponential of
// -s |v| serves both: it is the first gain where v > 0 and the second where v < 0.
inline void GainPair(__m128 v, __m128& toPositive, __m128& toNegative) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 e = VectorExp(_mm_mul_ps(_mm_set1_ps(-kSteerSlope), Abs4(v)));
    const __m128 pos = _mm_cmpgt_ps(v, zero), neg = _mm_cmplt_ps(v, zero);
    toPositive = _mm_or_ps(_mm_and_ps(pos, e), _mm_andnot_ps(pos, one));
    toNegative = _mm_or_ps(_mm_and_ps(neg, e), _mm_andnot_ps(neg, one));
}

// One band's contribution to L, R, C, SL, SR for four frames.
inline void BandContribution4(const HVCHUNK_INTCHUNK* f, const float* xs, const float* ys, __m128 out[5]) {
    __m128 l, r;
    LoadLR4(f, l, r);
    __m128 g[4];
    GainPair(_mm_load_ps(xs), g[0], g[1]);
    GainPair(_mm_load_ps(ys), g[2], g[3]);
    __m128 coef[kSteerRows];
    for (int k = 0; k < kSteerRows; ++k) {
        const float* row = kSteerMatrix[k];
        if (row[0] == 0.0f && row[1] == 0.0f && row[2] == 0.0f) {
            // 0 + 0 gxl + 0 gxr is exactly +0, so only the last two terms round.
            coef[k] = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(row[3]), g[2]), _mm_mul_ps(_mm_set1_ps(row[4]), g[3]));
            continue;
        }
        __m128 c = _mm_add_ps(_mm_set1_ps(row[0]), _mm_mul_ps(_mm_set1_ps(row[1]), g[0]));
        c = _mm_add_ps(c, _mm_mul_ps(_mm_set1_ps(row[2]), g[1]));
        c = _mm_add_ps(c, _mm_mul_ps(_mm_set1_ps(row[3]), g[2]));
        coef[k] = _mm_add_ps(c, _mm_mul_ps(_mm_set1_ps(row[4]), g[3]));
    }
    for (int o = 0; o < 5; ++o) out[o] = _mm_add_ps(_mm_mul_ps(coef[2 * o], l), _mm_mul_ps(coef[2 * o + 1], r));
}

struct MatrixParams {
    bool music;
    __m128 spill, weight;
};

// Decodes four frames: bands hi/lo with their smoothed steering, result into slots
// 0, 1, 2, 4, 5 of `out` (slots 3, 6, 7 untouched).
inline void Matrix4(const HVCHUNK_INTCHUNK* hi, const HVCHUNK_INTCHUNK* lo, const float* xh, const float* yh,
                    const float* xl, const float* yl, HVCHUNK_INTCHUNK* out, const MatrixParams& p) {
    __m128 h[5], w[5];
    BandContribution4(hi, xh, yh, h);
    BandContribution4(lo, xl, yl, w);
    __m128 L = _mm_add_ps(h[0], w[0]);
    __m128 R = _mm_add_ps(h[1], w[1]);
    __m128 C = _mm_add_ps(h[2], w[2]);
    const __m128 SL = _mm_add_ps(h[3], w[3]);
    const __m128 SR = _mm_add_ps(h[4], w[4]);
    if (p.music) {
        L = _mm_add_ps(L, _mm_mul_ps(p.spill, C));
        R = _mm_add_ps(R, _mm_mul_ps(p.spill, C));
        C = _mm_mul_ps(p.weight, C);
    }
    // L, R and SL, SR go in as pairs (64-bit stores), C one float per frame.
    const __m128 lr01 = _mm_unpacklo_ps(L, R), lr23 = _mm_unpackhi_ps(L, R);
    const __m128 s01 = _mm_unpacklo_ps(SL, SR), s23 = _mm_unpackhi_ps(SL, SR);
    alignas(16) float c[4];
    _mm_store_ps(c, C);
    _mm_storel_pi(reinterpret_cast<__m64*>(out[0].f), lr01);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out[1].f), lr01);
    _mm_storel_pi(reinterpret_cast<__m64*>(out[2].f), lr23);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out[3].f), lr23);
    _mm_storel_pi(reinterpret_cast<__m64*>(out[0].f + 4), s01);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out[1].f + 4), s01);
    _mm_storel_pi(reinterpret_cast<__m64*>(out[2].f + 4), s23);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out[3].f + 4), s23);
    for (int j = 0; j < 4; ++j) out[j].f[HV_C] = c[j];
}

}  // namespace

// Detection and smoothing of four frames per step; the smoothing is FilterSamples'
// recursion (see SteerSmoother), so the result is that of detecting the whole buffer and
// then calling FilterSamples on outX and outY.
void CHVFnSSE2::DetectSteering(BiquadState& stX, BiquadState& stY, const HVFrames& in, HVBuffer<float>& outX,
                               HVBuffer<float>& outY) {
    const uint32_t n = in.m_dwCount;
    outX.Resize(n);
    outY.Resize(n);
    SteerSmoother sm(m_s.m_coefSteer, stX, stY);
    const uint32_t full = n & ~3u;
    for (uint32_t i = 0; i < full; i += 4) {
        __m128 x, y;
        Steer4(&in[i], x, y);
        sm.Run(x, y, 4);
        _mm_store_ps(&outX[i], x);
        _mm_store_ps(&outY[i], y);
    }
    if (const uint32_t rest = n - full) {
        FrameGroup g{};
        std::memcpy(g.f, &in[full], rest * sizeof(HVCHUNK_INTCHUNK));
        __m128 x, y;
        Steer4(g.f, x, y);
        sm.Run(x, y, rest);
        alignas(16) float xs[4], ys[4];
        _mm_store_ps(xs, x);
        _mm_store_ps(ys, y);
        std::memcpy(&outX[full], xs, rest * sizeof(float));
        std::memcpy(&outY[full], ys, rest * sizeof(float));
    }
    sm.Store(stX, stY);
}

void CHVFnSSE2::DecodeActive(HVFrames& chunk) {
    SplitBands(m_s.m_coefSplit, m_s.m_stSplit, chunk, m_s.m_bufHigh, m_s.m_bufLow);
    DetectSteering(m_s.m_stSteerX[0], m_s.m_stSteerY[0], m_s.m_bufHigh, m_s.m_bufSteerX[0], m_s.m_bufSteerY[0]);
    DetectSteering(m_s.m_stSteerX[1], m_s.m_stSteerY[1], m_s.m_bufLow, m_s.m_bufSteerX[1], m_s.m_bufSteerY[1]);

    const MatrixParams p{m_s.m_pConfig->dwSurroundMode == 1, _mm_set1_ps(m_s.m_fCentreSpill),
                         _mm_set1_ps(m_s.m_fCentreWeight)};
    const uint32_t n = chunk.m_dwCount;
    const uint32_t full = n & ~3u;
    for (uint32_t i = 0; i < full; i += 4)
        Matrix4(&m_s.m_bufHigh[i], &m_s.m_bufLow[i], &m_s.m_bufSteerX[0][i], &m_s.m_bufSteerY[0][i], &m_s.m_bufSteerX[1][i],
                &m_s.m_bufSteerY[1][i], &chunk[i], p);
    if (const uint32_t rest = n - full) {
        FrameGroup hi{}, lo{}, out{};
        alignas(16) float s[4][4] = {};
        std::memcpy(hi.f, &m_s.m_bufHigh[full], rest * sizeof(HVCHUNK_INTCHUNK));
        std::memcpy(lo.f, &m_s.m_bufLow[full], rest * sizeof(HVCHUNK_INTCHUNK));
        std::memcpy(out.f, &chunk[full], rest * sizeof(HVCHUNK_INTCHUNK));
        std::memcpy(s[0], &m_s.m_bufSteerX[0][full], rest * sizeof(float));
        std::memcpy(s[1], &m_s.m_bufSteerY[0][full], rest * sizeof(float));
        std::memcpy(s[2], &m_s.m_bufSteerX[1][full], rest * sizeof(float));
        std::memcpy(s[3], &m_s.m_bufSteerY[1][full], rest * sizeof(float));
        Matrix4(hi.f, lo.f, s[0], s[1], s[2], s[3], out.f, p);
        std::memcpy(&chunk[full], out.f, rest * sizeof(HVCHUNK_INTCHUNK));
    }
    if (m_s.m_pConfig->bMusicSurroundShelf) FilterSurrounds(m_s.m_coefSurrLP, m_s.m_stShelf, chunk);
}
