// The GPU path inside the headphone stage, driven through the engine: no device, an
// emulated device, and a device that fails in the middle of playback.
#include <algorithm>

#include "TestUtil.h"
#include "headphone/HVGpu.h"
#include "tests/core/gpu_fake.h"

namespace {

// Emulated device (kissfft transforms, products in single precision with one fused
// multiply-add) against the processor path (products in double): the outputs differ by
// rounding only. Measured about 2e-7 of the output peak; a wrong block, ear or response
// gives errors of the order of the peak.
constexpr double kPathTolerance = 2e-6;

constexpr uint32_t kFrames = 5 * 8192 + 1234;  // five blocks complete, a partial one waits
// Uneven chunk sizes, so blocks complete inside chunks and chunks without a block occur.
constexpr uint32_t kChunks[] = {3000, 8192, 12000, 5000, 777, 20000};

HVLIB_CONFIG g_testCfg;  // static storage: the engine keeps a pointer to it

class GpuEngineTest : public ::testing::Test {
  protected:
    ScopedFakeCuda layer;
    FakeCuda& fake = layer.fake;
    const FrameVec input = NoiseFrames(kFrames, 8392829u, 6, 0.5f);
    const int savedSupport_ = int(GpuSupported());

    void TearDown() override {
        fake.failAt = 0;
        ReleaseGPUResources(HP());
        TestLib().Reset();
        g_testCfg = HVLIB_CONFIG{};
        SetGpuSupported(savedSupport_);
    }

    // A device that works from now on, as if chosen at module load.
    void UseDevice() {
        fake.devices = {{1500000, 40}};
        SetGpuSupported(SelectCUDADevice());
        ASSERT_EQ(int(GpuSupported()), 1);
    }

    // Headphone mode at 48 kHz after an engine reset; the input as six-channel frames in
    // uneven chunks; returns the stereo output, interleaved.
    std::vector<float> Render(uint32_t cuda, uint32_t flavour = 0) {
        g_testCfg = HVLIB_CONFIG{};
        g_testCfg.dwMode = 3;
        g_testCfg.dwHeadphonesMode = flavour;
        g_testCfg.bCUDA = cuda;
        StartEngine(g_testCfg, 48000);
        std::vector<float> out;
        HVFrames frames;
        for (uint32_t pos = 0, i = 0, n = 0; pos < kFrames; pos += n, ++i) {
            n = std::min(kChunks[i % 6], kFrames - pos);
            Load(frames, &input[pos], n);
            EXPECT_EQ(TestLib().ProcessChunk(6, frames), 2u);
            for (uint32_t k = 0; k < frames.m_dwCount; ++k)
                out.push_back(frames[k].f[0]), out.push_back(frames[k].f[1]);
        }
        return out;
    }

    static double MaxDiff(const std::vector<float>& a, const std::vector<float>& b, double* peak) {
        double d = 0.0;
        *peak = 0.0;
        for (size_t i = 0; i < a.size(); ++i) {
            d = std::max(d, std::fabs(double(a[i]) - double(b[i])));
            *peak = std::max(*peak, std::fabs(double(b[i])));
        }
        return d;
    }
};

}  // namespace

TEST_F(GpuEngineTest, WithoutDeviceCudaSettingIsIgnoredSilentlyAndNothingIsCalled) {
    SetGpuSupported(SelectCUDADevice());  // the fake has no device
    ASSERT_EQ(CHVLib::IsCUDASupported(), 0);
    const size_t startUpCalls = fake.log.size();
    testing::internal::CaptureStderr();
    const std::vector<float> withCuda = Render(1), without = Render(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(fake.log.size(), startUpCalls);
    EXPECT_EQ(HP().m_gpu.m_bInit, 0);
    ASSERT_EQ(withCuda.size(), size_t(5 * 8192 * 2));
    EXPECT_EQ(withCuda, without);
}

TEST_F(GpuEngineTest, EmulatedDeviceMatchesProcessorWithinRounding) {
    UseDevice();
    for (uint32_t flavour = 0; flavour < 2; ++flavour) {
        const std::vector<float> cpu = Render(0, flavour);
        fake.log.clear();
        const std::vector<float> gpu = Render(1, flavour);
        EXPECT_EQ(HP().m_gpu.m_bInit, 1);
        EXPECT_EQ(fake.Count("ExecR2C"), 5u);  // one batched forward transform per block
        EXPECT_TRUE(fake.violations.empty());
        ASSERT_EQ(gpu.size(), cpu.size());
        ASSERT_EQ(gpu.size(), size_t(5 * 8192 * 2));
        double peak = 0.0;
        const double diff = MaxDiff(gpu, cpu, &peak);
        EXPECT_LE(diff, kPathTolerance * peak) << "flavour " << flavour;
        EXPECT_GT(peak, 0.1);
    }
}

TEST_F(GpuEngineTest, FailureDuringPlaybackFinishesOnProcessorWithoutLosingAudio) {
    UseDevice();
    const std::vector<float> cpu = Render(0);
    // Tested calls: 44 to initialise, then 19 per block. Fail during initialisation, in
    // the first block, and in the fourth block.
    for (int k : {10, 44 + 8, 44 + 3 * 19 + 15}) {
        SCOPED_TRACE("failing tested call " + std::to_string(k));
        FakeCuda f;
        f.devices = fake.devices;
        f.failAt = k;
        HVSetCudaApi(&f);
        SetGpuSupported(1);
        testing::internal::CaptureStderr();
        const std::vector<float> gpu = Render(1);
        const std::string err = testing::internal::GetCapturedStderr();
        HVSetCudaApi(&fake);

        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(CHVLib::IsCUDASupported(), 0);
        EXPECT_EQ(HP().m_gpu.m_bInit, 0);
        EXPECT_EQ(f.LiveAllocations(), 0u);
        EXPECT_EQ(f.log.size(), f.failedLogIndex + 1 + (k <= 44 ? k - 1 : 24))
            << "only the clean-up follows the failing call";
        ASSERT_EQ(gpu.size(), cpu.size());
        if (k <= 44 + 19) {  // no block finished on the device: exactly the processor's output
            EXPECT_EQ(gpu, cpu);
        } else {
            double peak = 0.0;
            const double diff = MaxDiff(gpu, cpu, &peak);
            EXPECT_LE(diff, kPathTolerance * peak);
            // From the failing block on, no device rounding enters except through the
            // tail of the last device block (its first 8192 frames): the rest is exact.
            const long exactFrom = 4L * 8192 * 2;
            EXPECT_TRUE(std::equal(gpu.begin() + exactFrom, gpu.end(), cpu.begin() + exactFrom));
        }
    }
}
