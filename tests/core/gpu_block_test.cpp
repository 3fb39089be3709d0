// Device state and the per-block sequence, against the fake layer: sizes, order, pointers,
// the numbers that come back, and the release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/core/gpu_fixture.h"

namespace {

constexpr size_t kSpecBytes = 65544;    // 8193 complex bins
constexpr size_t kWorkBytes = 327720;   // 5 slots x 16386 floats

// Largest error of a single-precision 16384-point FFT convolution relative to the largest
// magnitude of the exact result: kissfft gives about 2.6e-7 here, so 1e-6 leaves room for
// another FFT's rounding while a wrong bin, ear or slot gives errors of order 1.
constexpr double kConvolutionTolerance = 1e-6;

std::vector<std::string> Names(const std::vector<FakeCuda::Call>& log, size_t from = 0) {
    std::vector<std::string> n;
    for (size_t i = from; i < log.size(); ++i) n.push_back(log[i].name);
    return n;
}

}  // namespace

TEST_F(GpuPathTest, InitAllocatesUploadsAndPlans) {
    InitGPUResources();
    ASSERT_EQ(g_bGPUInit, 1);
    EXPECT_TRUE(fake.violations.empty()) << fake.violations.front();
    const auto& log = fake.log;
    ASSERT_EQ(log.size(), 44u);
    // 20 spectra allocated, then each uploaded whole from its host spectrum, in the order
    // Music left, Music right, Movie left, Movie right, sources L R C SL SR.
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(log[i].name, "Malloc");
        EXPECT_EQ(log[i].bytes, kSpecBytes);
        const auto& up = log[20 + i];
        EXPECT_EQ(up.dst, log[i].dst);
        EXPECT_EQ(up.src, g_hrirSpec[i / 10][i / 5 % 2][i % 5].m_pData);
        EXPECT_EQ(up.bytes, kSpecBytes);
        EXPECT_EQ(up.kind, CHVCudaApi::HostToDevice);
        EXPECT_EQ(std::memcmp(fake.Peek(up.dst, kSpecBytes), up.src, kSpecBytes), 0);
    }
    EXPECT_EQ(Names(log, 40), (std::vector<std::string>{"Malloc", "Malloc", "Plan", "Plan"}));
    EXPECT_EQ(log[40].bytes, kWorkBytes);
    EXPECT_EQ(log[41].bytes, kWorkBytes);
    EXPECT_EQ(log[42].bytes, 16384u);
    EXPECT_EQ(log[42].kind, CHVCudaApi::R2C);
    EXPECT_EQ(log[43].kind, CHVCudaApi::C2R);
    EXPECT_EQ(fake.LiveAllocations(), 22u);

    InitGPUResources();  // the state exists: nothing happens
    EXPECT_EQ(log.size(), 44u);
}

TEST_F(GpuPathTest, BlockResultsAreTheUnscaledLinearConvolutionsOfEitherFlavour) {
    InitGPUResources();
    for (int f = 0; f < 2; ++f) {
        for (auto& ear : g_hpConv)
            for (auto& c : ear) std::fill(c.begin(), c.end(), 12345.0f);
        ASSERT_TRUE(GpuConvolveBlock(f, "HVFnx87"));
        for (int e = 0; e < 2; ++e)
            for (int s = 0; s < 5; ++s) {
                const std::vector<double> ref = DirectConvolution(f, e, s);
                double peak = 0.0, err = 0.0;
                for (uint32_t n = 0; n < HP_FFT; ++n) {
                    peak = std::max(peak, std::fabs(ref[n]));
                    err = std::max(err, std::fabs(double(g_hpConv[e][s][n]) / HP_FFT - ref[n]));
                }
                EXPECT_LE(err, kConvolutionTolerance * peak) << "flavour " << f << " ear " << e
                                                             << " source " << s;
                // The last sample of a 8192 x 8192 linear convolution is (numerically) zero.
                EXPECT_LE(std::fabs(g_hpConv[e][s][HP_FFT - 1]) / HP_FFT,
                          kConvolutionTolerance * peak);
            }
    }
    // The host block inputs are read, never written.
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(std::memcmp(g_hpTime[s].m_pData, input[s].data(), HP_BLOCK * sizeof(float)), 0);
        for (uint32_t n = HP_BLOCK; n < HP_FFT; ++n) ASSERT_EQ(g_hpTime[s][n], 0.0f);
    }
}

TEST_F(GpuPathTest, ReleaseFreesEverythingInOrderAndCyclesDoNotLeak) {
    InitGPUResources();
    const std::vector<FakeCuda::Call> init = fake.log;
    const size_t start = fake.log.size();
    ReleaseGPUResources();
    EXPECT_EQ(g_bGPUInit, 0);
    EXPECT_TRUE(fake.violations.empty()) << fake.violations.front();
    const auto& log = fake.log;
    ASSERT_EQ(log.size() - start, 24u);
    // Work buffers, the 20 spectra in allocation order, then the C2R and the R2C plan.
    for (size_t i = 0; i < 22; ++i) {
        EXPECT_EQ(log[start + i].name, "Free");
        EXPECT_EQ(log[start + i].dst, init[i < 2 ? 40 + i : i - 2].dst);
    }
    EXPECT_EQ(Names(log, start + 22), (std::vector<std::string>{"Destroy", "Destroy"}));
    EXPECT_GT(log[start + 22].plan, log[start + 23].plan);  // C2R was created second
    EXPECT_EQ(fake.LiveAllocations(), 0u);
    EXPECT_EQ(fake.LivePlans(), 0u);

    // Nothing to release: no call.
    ReleaseGPUResources();
    EXPECT_EQ(log.size(), start + 24);

    // Repeated lifetimes leave nothing behind.
    size_t before = 0, total = 0, after = 0;
    fake.MemGetInfo(&before, &total);
    for (int i = 0; i < 100; ++i) {
        InitGPUResources();
        ASSERT_EQ(g_bGPUInit, 1);
        ASSERT_TRUE(GpuConvolveBlock(i & 1, "HVFnx87"));
        ReleaseGPUResources();
    }
    fake.MemGetInfo(&after, &total);
    EXPECT_EQ(after, before);
    EXPECT_EQ(fake.LivePlans(), 0u);
    EXPECT_TRUE(fake.violations.empty());
}

TEST_F(GpuPathTest, EngineResetReleasesAndTheNextInitUploadsAgain) {
    InitGPUResources();
    ASSERT_EQ(fake.LiveAllocations(), 22u);
    CHVLib::Reset();
    EXPECT_EQ(g_bGPUInit, 0);
    EXPECT_EQ(fake.LiveAllocations(), 0u);
    EXPECT_EQ(fake.LivePlans(), 0u);
    fake.log.clear();
    InitGPUResources();
    EXPECT_EQ(g_bGPUInit, 1);
    EXPECT_EQ(fake.Count("Memcpy"), 20u);
    EXPECT_EQ(fake.Count("Plan"), 2u);
}

TEST_F(GpuPathTest, WithoutSupportNothingReachesTheDevice) {
    CHVLib::m_bCUDASupport = 0;
    InitGPUResources();
    EXPECT_EQ(g_bGPUInit, 0);
    EXPECT_FALSE(GpuConvolveBlock(0, "HVFnx87"));
    ReleaseGPUResources();
    EXPECT_TRUE(fake.log.empty());
    // Without state a block is refused as well, and makes no call.
    CHVLib::m_bCUDASupport = 1;
    EXPECT_FALSE(GpuConvolveBlock(0, "HVFnx87"));
    EXPECT_TRUE(fake.log.empty());
}
