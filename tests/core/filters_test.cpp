// The three filter operations in both kernel sets: frequency response against the
// analytic transfer function, complementary band split, scalar vs SSE2 agreement and
// chunk-size independence. (The design numbers are checked in filter_design_test.)
#include <complex>

#include "KernelHarness.h"

namespace {

constexpr double kResponseTolerance = 1.5e-3;  // measured sine amplitude vs |H(e^jw)|
constexpr double kCrossSetTolerance = 2e-5;    // scalar vs SSE2, relative to peak level

// |H| of b0 (1 + (b1/b0) z^-1 + z^-2) / (1 + a1 z^-1 + a2 z^-2) at `hz`.
std::complex<double> Response(const BiquadCoeffs& c, double hz, double fs) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * hz / fs), z2 = z1 * z1;
    return (double(c.b0) + double(c.b1) * z1 + double(c.b0) * z2) / (1.0 + double(c.a1) * z1 + double(c.a2) * z2);
}

// Amplitude of the `hz` component of v[from..from+len) by least squares on sin/cos.
double Amplitude(const std::vector<float>& v, size_t from, size_t len, double hz, double fs) {
    double s = 0, c = 0;
    for (size_t i = from; i < from + len; ++i) {
        const double ph = 2.0 * M_PI * hz * double(i) / fs;
        s += v[i] * std::sin(ph);
        c += v[i] * std::cos(ph);
    }
    return 2.0 * std::hypot(s, c) / double(len);
}

std::vector<float> Sine(size_t n, double hz, double fs = 44100.0) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = float(std::sin(2.0 * M_PI * hz * double(i) / fs));
    return v;
}

std::vector<float> FilterSamplesChunked(CHVFn& k, const BiquadCoeffs& c, const std::vector<float>& in, uint32_t chunk) {
    BiquadState st{};
    std::vector<float> out;
    HVBuffer<float> buf;
    for (size_t at = 0; at < in.size(); at += chunk) {
        const uint32_t len = uint32_t(std::min<size_t>(chunk, in.size() - at));
        buf.Resize(len);
        std::copy(in.begin() + at, in.begin() + at + len, buf.m_pData);
        k.FilterSamples(c, st, buf);
        out.insert(out.end(), buf.m_pData, buf.m_pData + len);
    }
    return out;
}

}  // namespace

TEST_F(KernelTest, FilterSamplesFollowsTheTransferFunction) {
    const double fs = 44100.0;
    struct Case {
        const BiquadCoeffs* c;
        double hz;
    } cases[] = {{&CHVFn::m_coefSplit, 1200.0}, {&CHVFn::m_coefSplit, 300.0}, {&CHVFn::m_coefSplit, 9000.0},
                 {&CHVFn::m_coefSurrLP, 7000.0}, {&CHVFn::m_coefSurrLP, 15000.0}, {&CHVFn::m_coefSurrHP, 100.0}};
    for (int s = 0; s < 2; ++s) {
        for (const Case& k : cases) {
            const auto out = FilterSamplesChunked(Set(s), *k.c, Sine(20000, k.hz), 20000);
            // Settled part only; 4410 samples hold a whole number of periods of every tone.
            EXPECT_NEAR(Amplitude(out, 15000, 4410, k.hz, fs), std::abs(Response(*k.c, k.hz, fs)), kResponseTolerance)
                << SetName(s) << " " << k.hz << " Hz";
        }
        // Corner frequencies are -3 dB.
        const auto atCorner = FilterSamplesChunked(Set(s), CHVFn::m_coefSplit, Sine(20000, 1200.0), 20000);
        EXPECT_NEAR(Amplitude(atCorner, 15000, 4410, 1200.0, fs), std::sqrt(0.5), kResponseTolerance);
    }
}

TEST_F(KernelTest, SplitBandsIsComplementaryAndHighPassed) {
    const FrameVec in = MusicLikeStereo(3001);
    for (int s = 0; s < 2; ++s) {
        CHVLib::Reset();
        HVFrames src, high, low;
        FillFrames(src, in.data(), uint32_t(in.size()));
        Set(s).SplitBands(CHVFn::m_coefSplit, CHVFn::m_stSplit, src, high, low);
        ASSERT_EQ(high.m_dwCount, src.m_dwCount);
        ASSERT_EQ(low.m_dwCount, src.m_dwCount);
        for (uint32_t i = 0; i < src.m_dwCount; ++i)
            for (int c : {HV_L, HV_R}) {
                const float x = src[i].f[c];
                // low = x - high rounded once: the sum is x to within half a unit of low.
                ASSERT_NEAR(double(high[i].f[c]) + low[i].f[c], x, 6e-8 * std::fabs(low[i].f[c]) + 1e-30) << SetName(s) << i;
            }
        // A constant input ends up entirely in the low band.
        FrameVec dc(8000, HVCHUNK_INTCHUNK{});
        for (auto& f : dc) f.f[HV_L] = 0.5f, f.f[HV_R] = -0.25f;
        FillFrames(src, dc.data(), 8000);
        Set(s).SplitBands(CHVFn::m_coefSplit, CHVFn::m_stSplit, src, high, low);
        EXPECT_NEAR(high[7999].f[HV_L], 0.0f, 1e-6);
        EXPECT_NEAR(low[7999].f[HV_L], 0.5f, 1e-6);
        EXPECT_NEAR(low[7999].f[HV_R], -0.25f, 1e-6);
    }
}

TEST_F(KernelTest, FilterSurroundsTouchesOnlySurroundSlots) {
    const FrameVec in = MusicLikeSix(1001);
    for (int s = 0; s < 2; ++s) {
        CHVLib::Reset();
        const FrameVec out = RunChunked(in, 0, [&](HVFrames& f) {
            Set(s).FilterSurrounds(CHVFn::m_coefSurrLP, CHVFn::m_stSurrLP, f);
        });
        for (size_t i = 0; i < in.size(); ++i)
            for (int c : {0, 1, 2, 3, 6, 7}) ASSERT_EQ(out[i].f[c], in[i].f[c]) << SetName(s) << " slot " << c;
        // SL and SR are each filtered on their own: a fresh one-column run gives the same.
        std::vector<float> sl(in.size());
        for (size_t i = 0; i < in.size(); ++i) sl[i] = in[i].f[HV_SL];
        const auto ref = FilterSamplesChunked(Set(s), CHVFn::m_coefSurrLP, sl, 1001);
        for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i].f[HV_SL], ref[i]) << SetName(s) << i;
    }
}

TEST_F(KernelTest, FilterSetsAgreeOverOddLengths) {
    for (uint32_t n : {1u, 2u, 3u, 5u, 17u, 253u, 4099u}) {
        const FrameVec in = MusicLikeSix(n, 77u + n);
        FrameVec out[2];
        FrameVec hi[2], lo[2];
        for (int s = 0; s < 2; ++s) {
            CHVLib::Reset();
            out[s] = RunChunked(in, 0, [&](HVFrames& f) {
                Set(s).FilterSurrounds(CHVFn::m_coefSurrHP, CHVFn::m_stSurrHP, f);
            });
            HVFrames src, high, low;
            FillFrames(src, in.data(), n);
            Set(s).SplitBands(CHVFn::m_coefSplit, CHVFn::m_stSplit, src, high, low);
            hi[s] = ToVec(high);
            lo[s] = ToVec(low);
        }
        for (uint32_t i = 0; i < n; ++i) {
            for (int c : {HV_SL, HV_SR}) ASSERT_NEAR(out[0][i].f[c], out[1][i].f[c], kCrossSetTolerance) << n << "," << i;
            for (int c : {HV_L, HV_R}) {
                ASSERT_NEAR(hi[0][i].f[c], hi[1][i].f[c], kCrossSetTolerance) << n << "," << i;
                ASSERT_NEAR(lo[0][i].f[c], lo[1][i].f[c], kCrossSetTolerance) << n << "," << i;
            }
        }
    }
}

TEST_F(KernelTest, FilterResultsDoNotDependOnChunkSize) {
    const FrameVec in = MusicLikeSix(10007);
    std::vector<float> mono(in.size());
    for (size_t i = 0; i < in.size(); ++i) mono[i] = in[i].f[HV_L];
    for (int s = 0; s < 2; ++s) {
        FrameVec surr[3], split[3];
        std::vector<float> smooth[3];
        const uint32_t chunks[3] = {4096, 17, 1};
        for (int k = 0; k < 3; ++k) {
            CHVLib::Reset();
            surr[k] = RunChunked(in, chunks[k], [&](HVFrames& f) {
                Set(s).FilterSurrounds(CHVFn::m_coefSurrHP, CHVFn::m_stSurrHP, f);
            });
            HVFrames high, low;
            split[k] = RunChunked(in, chunks[k], [&](HVFrames& f) {
                Set(s).SplitBands(CHVFn::m_coefSplit, CHVFn::m_stSplit, f, high, low);
                for (uint32_t i = 0; i < f.m_dwCount; ++i) f[i].f[HV_L] = high[i].f[HV_L], f[i].f[HV_R] = low[i].f[HV_R];
            });
            smooth[k] = FilterSamplesChunked(Set(s), CHVFn::m_coefSteer, mono, chunks[k]);
        }
        for (int k = 1; k < 3; ++k)
            for (size_t i = 0; i < in.size(); ++i) {
                ASSERT_EQ(surr[k][i].f[HV_SL], surr[0][i].f[HV_SL]) << SetName(s) << i;
                ASSERT_EQ(surr[k][i].f[HV_SR], surr[0][i].f[HV_SR]) << SetName(s) << i;
                ASSERT_EQ(split[k][i].f[HV_L], split[0][i].f[HV_L]) << SetName(s) << i;
                ASSERT_EQ(split[k][i].f[HV_R], split[0][i].f[HV_R]) << SetName(s) << i;
                ASSERT_EQ(smooth[k][i], smooth[0][i]) << SetName(s) << i;
            }
    }
}
