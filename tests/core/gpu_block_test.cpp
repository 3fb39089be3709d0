// Device state and the per-block sequence, against the fake layer: the uploads, the numbers
// that come back, and the release.
#include <algorithm>

#include "tests/core/gpu_fixture.h"

namespace {

constexpr size_t kSpecBytes = 65544;  // 8193 complex bins

// Largest error of a single-precision 16384-point FFT convolution relative to the largest
// magnitude of the exact result: kissfft gives about 2.6e-7 here, so 1e-6 leaves room for
// another FFT's rounding while a wrong bin, ear or slot gives errors of order 1.
constexpr double kConvolutionTolerance = 1e-6;

}  // namespace

// Init uploads each of the 20 host spectra whole; a second init while the state exists
// makes no call; a reset releases and the next init uploads again.
TEST_F(GpuPathTest, InitUploadsEverySpectrumOnce) {
    InitGPUResources(HP());
    ASSERT_EQ(HP().m_gpu.m_bInit, 1);
    EXPECT_TRUE(fake.violations.empty()) << fake.violations.front();
    std::vector<const void*> uploaded;
    for (const auto& c : fake.log)
        if (c.name == "Memcpy") {
            EXPECT_TRUE(c.kind == CHVCudaApi::HostToDevice && c.bytes == kSpecBytes);
            EXPECT_EQ(std::memcmp(fake.Peek(c.dst, kSpecBytes), c.src, kSpecBytes), 0);
            uploaded.push_back(c.src);
        }
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(std::count(uploaded.begin(), uploaded.end(), bank_.spec[i / 10][i / 5 % 2][i % 5].m_pData),
                  1);
    EXPECT_EQ(fake.LiveAllocations(), 22u);
    EXPECT_EQ(fake.LivePlans(), 2u);
    const size_t calls = fake.log.size();
    InitGPUResources(HP());
    EXPECT_EQ(fake.log.size(), calls);

    TestLib().Reset();
    EXPECT_EQ(HP().m_gpu.m_bInit, 0);
    EXPECT_EQ(fake.LiveAllocations() + fake.LivePlans(), 0u);
    fake.log.clear();
    InitGPUResources(HP());
    EXPECT_EQ(HP().m_gpu.m_bInit, 1);
    EXPECT_EQ(fake.Count("Memcpy"), 20u);
    EXPECT_EQ(fake.Count("Plan"), 2u);
}

TEST_F(GpuPathTest, BlockResultsAreTheUnscaledLinearConvolutionsOfEitherFlavour) {
    InitGPUResources(HP());
    for (int f = 0; f < 2; ++f) {
        for (auto& ear : HP().m_conv)
            for (auto& c : ear) std::fill(c.begin(), c.end(), 12345.0f);
        ASSERT_TRUE(GpuConvolveBlock(HP(), f, "HVFnx87"));
        for (int e = 0; e < 2; ++e)
            for (int s = 0; s < 5; ++s) {
                const std::vector<double> ref = DirectConvolution(f, e, s);
                double peak = 0.0, err = 0.0;
                for (uint32_t n = 0; n < HP_FFT; ++n) {
                    peak = std::max(peak, std::fabs(ref[n]));
                    err = std::max(err, std::fabs(double(HP().m_conv[e][s][n]) / HP_FFT - ref[n]));
                }
                // Including the last sample, which of an 8192 x 8192 linear convolution is 0.
                EXPECT_LE(err, kConvolutionTolerance * peak)
                    << "flavour " << f << " ear " << e << " source " << s;
            }
    }
    // The host block inputs are read, never written.
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(std::memcmp(HP().m_time[s].m_pData, input[s].data(), HP_BLOCK * sizeof(float)), 0);
        for (uint32_t n = HP_BLOCK; n < HP_FFT; ++n) ASSERT_EQ(HP().m_time[s][n], 0.0f);
    }
}

// Release frees every allocation and plan, a second release makes no call, and 100
// init/block/release lifetimes leave nothing behind.
TEST_F(GpuPathTest, ReleaseFreesEverythingAndCyclesDoNotLeak) {
    InitGPUResources(HP());
    ReleaseGPUResources(HP());
    EXPECT_EQ(HP().m_gpu.m_bInit, 0);
    EXPECT_EQ(fake.LiveAllocations() + fake.LivePlans(), 0u);
    const size_t calls = fake.log.size();
    ReleaseGPUResources(HP());
    EXPECT_EQ(fake.log.size(), calls);
    size_t before = 0, total = 0, after = 0;
    fake.MemGetInfo(&before, &total);
    for (int i = 0; i < 100; ++i) {
        InitGPUResources(HP());
        ASSERT_EQ(HP().m_gpu.m_bInit, 1);
        ASSERT_TRUE(GpuConvolveBlock(HP(), i & 1, "HVFnx87"));
        ReleaseGPUResources(HP());
    }
    fake.MemGetInfo(&after, &total);
    EXPECT_EQ(after, before);
    EXPECT_EQ(fake.LivePlans(), 0u);
    EXPECT_TRUE(fake.violations.empty()) << fake.violations.front();
}

TEST_F(GpuPathTest, WithoutSupportOrStateNothingReachesTheDevice) {
    SetGpuSupported(0);
    InitGPUResources(HP());
    EXPECT_EQ(HP().m_gpu.m_bInit, 0);
    EXPECT_FALSE(GpuConvolveBlock(HP(), 0, "HVFnx87"));
    ReleaseGPUResources(HP());
    SetGpuSupported(1);
    EXPECT_FALSE(GpuConvolveBlock(HP(), 0, "HVFnx87"));
    EXPECT_TRUE(fake.log.empty());
}
