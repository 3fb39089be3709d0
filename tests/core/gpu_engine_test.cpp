// The GPU path inside the headphone stage, driven through the engine: no device, an
// emulated device, and a device that fails in the middle of playback.
#include <algorithm>
#include <regex>

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

// A failure at any tested device call (set-up, any call of a block, release), as a listener
// meets it: one message in the stated form, the audio continues on the processor without a
// gap (exactly the processor's output until a block has finished on the device, within
// rounding afterwards), the GPU is given up for every stream, nothing stays allocated, and
// no later chunk reaches the device.
TEST_F(GpuEngineTest, FailureAtAnyDeviceCallFinishesOnTheProcessorAndGivesUp) {
    UseDevice();
    const std::vector<float> cpu = Render(0);
    fake.testedCalls = 0;
    Render(1);
    TestLib().Reset();
    const int total = fake.testedCalls;  // set-up, five blocks, release
    ASSERT_GT(total, 0);
    // Set-up and release name "HVFn", a block the kernel set in use (SSE2 by default).
    const std::regex message(
        "(cudaSafeCall\\(\\) Runtime API error in file <HVFn(SSE2)?>, line [0-9]+ : out of memory\\."
        "|cufftSafeCall\\(\\) CUFFT error in file <HVFn(SSE2)?>, line [0-9]+\\.)\n");
    for (int k = 1; k <= total; k += k < 50 ? 1 : 7) {
        SCOPED_TRACE("failing tested call " + std::to_string(k));
        FakeCuda f;
        f.devices = fake.devices;
        f.failAt = k;
        HVSetCudaApi(&f);
        SetGpuSupported(true);
        testing::internal::CaptureStderr();
        const std::vector<float> gpu = Render(1);
        TestLib().Reset();  // the release at the end of playback
        const std::string err = testing::internal::GetCapturedStderr();
        const size_t calls = f.log.size();
        const std::vector<float> after = Render(1);  // the next playback
        HVSetCudaApi(&fake);

        EXPECT_TRUE(std::regex_match(err, message)) << err;
        EXPECT_FALSE(CHVLib::IsCUDASupported());
        EXPECT_EQ(f.LiveAllocations(), f.log[f.failedLogIndex].name == "Free" ? 1u : 0u);
        EXPECT_EQ(f.log.size(), calls) << "a later chunk reached the device";
        EXPECT_EQ(after, cpu);
        ASSERT_EQ(gpu.size(), cpu.size());
        double peak = 0.0;
        const double diff = MaxDiff(gpu, cpu, &peak);
        EXPECT_LE(diff, kPathTolerance * peak);
        // A block has finished on the device once its ten results were downloaded.
        const auto downloads = std::count_if(f.log.begin(), f.log.begin() + long(f.failedLogIndex), [](const auto& c) {
            return c.name == "Memcpy" && c.kind == CHVCudaApi::DeviceToHost;
        });
        if (downloads < 10) {
            EXPECT_EQ(gpu, cpu) << "no block finished on the device";
        }
    }
}
