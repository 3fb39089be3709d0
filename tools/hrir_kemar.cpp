#include "hrir_kemar.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>

#include "hrir_fft.h"

namespace {
constexpr double kLowHold = 200.0;   // Hz: below this the measured magnitude is replaced
constexpr double kLowFloor = 50.0;   // Hz: from here down the chosen 0 Hz level holds
constexpr double kHighHold = 16000.0;
constexpr double kFloorDb = -60.0;   // deepest notch kept, relative to 1.0

double BinHz(int k) { return k * KemarSet::kRate / KemarSet::kFft; }

// Magnitude spectrum (bins 0..kFft/2) of a measured response.
std::vector<double> Magnitude(const float* ir, int taps) {
    std::vector<Cplx> x(KemarSet::kFft, 0.0);
    for (int i = 0; i < taps; ++i) x[i] = ir[i];
    FftForward(x);
    std::vector<double> m(KemarSet::kFft / 2 + 1);
    for (size_t k = 0; k < m.size(); ++k) m[k] = std::abs(x[k]);
    return m;
}
}  // namespace

KemarSet::KemarSet(const char* sofaPath) {
    int err = 0;
    m_easy = mysofa_open_no_norm(sofaPath, float(kRate), &m_taps, &err);
    if (!m_easy || err != MYSOFA_OK) {
        m_easy = nullptr;
        return;
    }
    // Diffuse-field power: mean over every measurement and both ears.
    const MYSOFA_HRTF* h = m_easy->hrtf;
    const int bins = kFft / 2 + 1;
    std::vector<double> power(bins, 0.0);
    for (unsigned m = 0; m < h->M; ++m)
        for (unsigned r = 0; r < h->R; ++r) {
            auto mag = Magnitude(h->DataIR.values + (size_t(m) * h->R + r) * h->N, int(h->N));
            for (int k = 0; k < bins; ++k) power[k] += mag[k] * mag[k];
        }
    for (auto& p : power) p /= double(h->M * h->R);
    // 1/3-octave smoothing, then the equaliser is the inverse RMS, frozen outside the band
    // the measurement covers.
    m_eqLog.assign(bins, 0.0);
    std::vector<double> smooth(bins, 0.0);
    for (int k = 1; k < bins; ++k) {
        const int lo = std::max(1, int(std::floor(k * std::pow(2.0, -1.0 / 6.0))));
        const int hi = std::min(bins - 1, int(std::ceil(k * std::pow(2.0, 1.0 / 6.0))));
        double s = 0.0;
        for (int j = lo; j <= hi; ++j) s += power[j];
        smooth[k] = s / double(hi - lo + 1);
    }
    smooth[0] = smooth[1];
    for (int k = 0; k < bins; ++k) {
        const double f = std::clamp(BinHz(k), kLowHold, kHighHold);
        const int kk = int(std::lround(f * kFft / kRate));
        m_eqLog[k] = -0.5 * std::log(smooth[kk]);
    }
}

KemarSet::~KemarSet() {
    if (m_easy) mysofa_close(m_easy);
}

int KemarSet::Nearest(double x, double y, double z) const {
    // The set's positions are on a sphere of 1.4 m; the lookup is by Cartesian distance.
    const double r = std::sqrt(x * x + y * y + z * z);
    float c[3] = {float(1.4 * x / r), float(1.4 * y / r), float(1.4 * z / r)};
    return mysofa_lookup(m_easy->lookup, c);
}

std::vector<double> KemarSet::EqualisedLogMagnitude(int index, int ear) const {
    const MYSOFA_HRTF* h = m_easy->hrtf;
    auto mag = Magnitude(h->DataIR.values + (size_t(index) * h->R + ear) * h->N, int(h->N));
    std::vector<double> lg(mag.size());
    const double floorLog = kFloorDb / 20.0 * std::log(10.0);
    for (size_t k = 0; k < mag.size(); ++k)
        lg[k] = std::max(std::log(std::max(mag[k], 1e-30)) + m_eqLog[k], floorLog);
    return lg;
}

std::vector<double> KemarSet::Response(int index, int ear, double scale, double dcGain, int taps) const {
    auto lg = EqualisedLogMagnitude(index, ear);
    const int kHold = int(std::lround(kLowHold * kFft / kRate));
    const double atHold = lg[kHold] + std::log(scale);
    const double atDc = std::log(dcGain);
    for (size_t k = 0; k < lg.size(); ++k) {
        const double f = BinHz(int(k));
        if (f >= kLowHold) {
            lg[k] += std::log(scale);
        } else if (f <= kLowFloor) {
            lg[k] = atDc;
        } else {
            // Raised-cosine crossover on a log-frequency axis.
            const double t = std::log(f / kLowFloor) / std::log(kLowHold / kLowFloor);
            const double w = 0.5 - 0.5 * std::cos(M_PI * t);
            lg[k] = atDc + (atHold - atDc) * w;
        }
    }
    auto full = MinimumPhase(lg);
    std::vector<double> out(full.begin(), full.begin() + taps);
    const int fade = taps / 4;
    for (int i = 0; i < fade; ++i) out[taps - fade + i] *= 0.5 + 0.5 * std::cos(M_PI * (i + 0.5) / fade);
    return out;
}

const std::vector<double>& KemarSet::Reflection(int index, int ear, int taps) {
    auto key = std::make_pair(index, ear);
    auto it = m_cache.find(key);
    if (it != m_cache.end()) return it->second;
    auto lg = EqualisedLogMagnitude(index, ear);
    const int kHold = int(std::lround(kLowHold * kFft / kRate));
    const double hold = std::exp(lg[kHold]);
    return m_cache.emplace(key, Response(index, ear, 1.0, hold, taps)).first->second;
}
