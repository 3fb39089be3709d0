#include "hrir_room.h"

#include <cmath>

#include "hrir_fft.h"
#include "hrir_kemar.h"

namespace {
constexpr double kSpeedOfSound = 343.0;  // m/s
constexpr double kHeadRadius = 0.0875;   // m, for the Woodworth interaural delay
constexpr int kFade = 1024;

// Deterministic noise: splitmix64 and Box-Muller, identical on every platform.
struct Noise {
    uint64_t s;
    double Uniform() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return (double(z >> 11) + 0.5) / 9007199254740992.0;
    }
    double Gauss() {
        const double u = Uniform(), v = Uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * v);
    }
};

// Interaural delay in samples for a direction (unit vector, y to the left): Woodworth's
// spherical head, (a/c)(phi + sin phi) with phi the lateral angle.
double InterauralDelay(double y) {
    const double phi = std::asin(std::fabs(y));
    return kHeadRadius / kSpeedOfSound * (phi + std::sin(phi)) * kBankRate;
}

void AddReflections(KemarSet& kemar, const RoomSpec& rm, const double src[3], std::array<std::vector<double>, 2>& out) {
    const double* L = rm.listener;
    const double direct = rm.sourceDist;
    const int K = rm.order;
    for (int nx = -K; nx <= K; ++nx)
        for (int ny = -K; ny <= K; ++ny)
            for (int nz = -K; nz <= K; ++nz) {
                const int bounces = std::abs(nx) + std::abs(ny) + std::abs(nz);
                if (bounces == 0 || bounces > K) continue;
                const int n[3] = {nx, ny, nz};
                double v[3];
                for (int a = 0; a < 3; ++a) {
                    const double img = n[a] * rm.size[a] + ((n[a] & 1) ? rm.size[a] - src[a] : src[a]);
                    v[a] = img - L[a];
                }
                const double dist = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
                for (auto& c : v) c /= dist;
                const double gain = rm.directScale * std::pow(rm.wallGain, bounces) * direct / dist;
                const double delay = (dist - direct) / kSpeedOfSound * kBankRate;
                const int index = kemar.Nearest(v[0], v[1], v[2]);
                const int nearEar = v[1] >= 0.0 ? 0 : 1;
                const double itd = InterauralDelay(v[1]);
                for (int ear = 0; ear < 2; ++ear) {
                    const auto& h = kemar.Reflection(index, ear, kHeadTaps / 2);
                    // Surfaces absorb more at high frequencies: one gentle pole per bounce.
                    std::vector<double> r(h.begin(), h.end());
                    for (int b = 0; b < bounces; ++b) {
                        double y = 0.0;
                        for (auto& x : r) x = y = (1.0 - rm.wallDamping) * x + rm.wallDamping * y;
                    }
                    const int at = int(std::lround(delay + (ear == nearEar ? 0.0 : itd)));
                    for (size_t i = 0; i < r.size() && at + int(i) < kBankTaps; ++i) out[ear][at + i] += gain * r[i];
                }
            }
}

// Octave bands of the tail: centre, reverberation time relative to rm.t60, interaural
// coherence (a diffuse field stays coherent between the ears at low frequencies only).
struct Band {
    double centre, t60Factor, coherence;
};
constexpr Band kBands[] = {{125, 1.15, 0.85}, {250, 1.1, 0.6},  {500, 1.0, 0.3},   {1000, 1.0, 0.1},
                           {2000, 0.9, 0.0},  {4000, 0.75, 0.0}, {8000, 0.55, 0.0}, {16000, 0.4, 0.0}};
constexpr int kBandCount = int(sizeof(kBands) / sizeof(kBands[0]));

// Weight of band b at frequency f: raised-cosine crossovers half-way (in octaves) between
// centres; the weights of all bands add up to 1 at every frequency.
double BandWeight(int b, double f) {
    if (f <= 0.0) return b == 0 ? 1.0 : 0.0;
    const double o = std::log2(f / kBands[0].centre);  // octaves above the first centre
    auto rise = [](double t) { return t <= -0.5 ? 0.0 : t >= 0.5 ? 1.0 : 0.5 + 0.5 * std::sin(M_PI * t); };
    const double lower = b == 0 ? 1.0 : rise(o - (b - 0.5));
    const double upper = b == kBandCount - 1 ? 1.0 : 1.0 - rise(o - (b + 0.5));
    return lower * upper;
}

void AddTail(const RoomSpec& rm, int source, std::array<std::vector<double>, 2>& out) {
    constexpr int N = 2 * kBankTaps;  // circular noise, twice as long as used
    Noise common{rm.seed * 1000003ull + uint64_t(source) * 7919ull};
    Noise own[2] = {{common.s + 101}, {common.s + 202}};
    std::vector<double> c(N), u[2] = {std::vector<double>(N), std::vector<double>(N)};
    for (int i = 0; i < N; ++i) {
        c[i] = common.Gauss();
        u[0][i] = own[0].Gauss();
        u[1][i] = own[1].Gauss();
    }
    const double start = rm.tailStartMs * 1e-3 * kBankRate;
    const double full = rm.tailFullMs * 1e-3 * kBankRate;
    std::array<std::vector<double>, 2> tail{std::vector<double>(kBankTaps, 0.0), std::vector<double>(kBankTaps, 0.0)};
    for (int b = 0; b < kBandCount; ++b) {
        const double rho = kBands[b].coherence;
        const double t60 = rm.t60 * kBands[b].t60Factor * kBankRate;
        for (int ear = 0; ear < 2; ++ear) {
            std::vector<Cplx> x(N);
            for (int i = 0; i < N; ++i) x[i] = std::sqrt(rho) * c[i] + std::sqrt(1.0 - rho) * u[ear][i];
            FftForward(x);
            for (int k = 0; k <= N / 2; ++k) {
                const double w = BandWeight(b, k * kBankRate / N);
                x[k] *= w;
                if (k && k < N / 2) x[N - k] *= w;
            }
            FftInverse(x);
            for (int i = 0; i < kBankTaps; ++i) {
                const double t = (i - start) / (full - start);
                const double rise = t <= 0.0 ? 0.0 : t >= 1.0 ? 1.0 : 0.5 - 0.5 * std::cos(M_PI * t);
                // 60 dB of amplitude decay over t60 samples.
                tail[ear][i] += x[i].real() * rise * std::exp(-6.907755278982137 * i / t60);
            }
        }
    }
    double e = 0.0;
    for (int ear = 0; ear < 2; ++ear)
        for (double v : tail[ear]) e += v * v;
    const double g = std::sqrt(rm.tailEnergy / (0.5 * e));
    for (int ear = 0; ear < 2; ++ear)
        for (int i = 0; i < kBankTaps; ++i) out[ear][i] += g * tail[ear][i];
}

// Second-order Butterworth high-pass (bilinear transform), run forward in place.
void HighPass(std::vector<double>& x, double hz) {
    const double k = std::tan(M_PI * hz / kBankRate);
    const double norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
    const double b0 = norm, b1 = -2.0 * norm, b2 = norm;
    const double a1 = 2.0 * (k * k - 1.0) * norm, a2 = (1.0 - std::sqrt(2.0) * k + k * k) * norm;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (auto& v : x) {
        const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = v;
        y2 = y1;
        y1 = y;
        v = y;
    }
}
}  // namespace

std::array<std::vector<double>, 2> RoomPart(KemarSet& kemar, const RoomSpec& rm, double azDeg, int source) {
    std::array<std::vector<double>, 2> out{std::vector<double>(kBankTaps, 0.0), std::vector<double>(kBankTaps, 0.0)};
    const double az = azDeg * M_PI / 180.0;
    const double src[3] = {rm.listener[0] + rm.sourceDist * std::cos(az), rm.listener[1] + rm.sourceDist * std::sin(az),
                           rm.listener[2]};
    AddReflections(kemar, rm, src, out);
    AddTail(rm, source, out);
    for (auto& ear : out) {
        HighPass(ear, 100.0);
        for (int i = 0; i < kFade; ++i) ear[kBankTaps - kFade + i] *= 0.5 + 0.5 * std::cos(M_PI * (i + 0.5) / kFade);
    }
    return out;
}
