// Scalar filter operations: each output formed in double precision, rounded once to float.
#include "kernels/BiquadColumn.h"
#include "kernels/HVFnx87.h"

void CHVFnx87::FilterSamples(const BiquadCoeffs& c, BiquadState& st, HVBuffer<float>& buf) {
    BiquadColumn f = BiquadColumn::Load(st, 0);
    float* p = buf.m_pData;
    const uint32_t n = buf.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) p[i] = f.Step(c, p[i]);
    f.Store(st, 0);
}

void CHVFnx87::FilterSurrounds(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) {
    BiquadColumn sl = BiquadColumn::Load(st, HV_SL);
    BiquadColumn sr = BiquadColumn::Load(st, HV_SR);
    const uint32_t n = chunk.m_dwCount;
    for (uint32_t i = 0; i < n; ++i) {
        float* f = chunk[i].f;
        f[HV_SL] = sl.Step(c, f[HV_SL]);
        f[HV_SR] = sr.Step(c, f[HV_SR]);
    }
    sl.Store(st, HV_SL);
    sr.Store(st, HV_SR);
}

// high = filter(x); low = x - high, formed from the rounded high value. Only slots 0 and 1
// of the outputs are written.
void CHVFnx87::SplitBands(const BiquadCoeffs& c, BiquadState& st, const HVFrames& in, HVFrames& high,
                          HVFrames& low) {
    const uint32_t n = in.m_dwCount;
    high.Resize(n);
    low.Resize(n);
    BiquadColumn fl = BiquadColumn::Load(st, HV_L);
    BiquadColumn fr = BiquadColumn::Load(st, HV_R);
    for (uint32_t i = 0; i < n; ++i) {
        const float l = in[i].f[HV_L];
        const float r = in[i].f[HV_R];
        const float hl = fl.Step(c, l);
        const float hr = fr.Step(c, r);
        high[i].f[HV_L] = hl;
        high[i].f[HV_R] = hr;
        low[i].f[HV_L] = float(double(l) - double(hl));
        low[i].f[HV_R] = float(double(r) - double(hr));
    }
    fl.Store(st, HV_L);
    fr.Store(st, HV_R);
}
