#include "hrir_fft.h"

#include <cmath>
#include <utility>

namespace {
void Transform(std::vector<Cplx>& x, double sign) {
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = sign * 2.0 * M_PI / double(len);
        for (size_t i = 0; i < n; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                // Twiddles from the angle directly: no error growth along the stage.
                const Cplx w(std::cos(ang * double(k)), std::sin(ang * double(k)));
                const Cplx a = x[i + k];
                const Cplx b = x[i + k + len / 2] * w;
                x[i + k] = a + b;
                x[i + k + len / 2] = a - b;
            }
        }
    }
}
}  // namespace

void FftForward(std::vector<Cplx>& x) { Transform(x, -1.0); }

void FftInverse(std::vector<Cplx>& x) {
    Transform(x, 1.0);
    const double s = 1.0 / double(x.size());
    for (auto& v : x) v *= s;
}

std::vector<double> MinimumPhase(const std::vector<double>& logMag) {
    const size_t n = (logMag.size() - 1) * 2;
    std::vector<Cplx> c(n);
    for (size_t k = 0; k < n; ++k) c[k] = logMag[k <= n / 2 ? k : n - k];
    FftInverse(c);  // real, even cepstrum
    // Fold the anti-causal half onto the causal half: the result is minimum phase.
    std::vector<Cplx> f(n, 0.0);
    f[0] = c[0].real();
    for (size_t i = 1; i < n / 2; ++i) f[i] = 2.0 * c[i].real();
    f[n / 2] = c[n / 2].real();
    FftForward(f);
    for (auto& v : f) v = std::exp(v);
    FftInverse(f);
    std::vector<double> h(n);
    for (size_t i = 0; i < n; ++i) h[i] = f[i].real();
    return h;
}
