// A failure injected at every tested device call: one message in the stated form, the
// device state released as far as possible, the GPU given up for good, the caller told to
// finish the block on the processor, and no device call afterwards.
#include <gtest/gtest.h>

#include <regex>

#include "tests/core/gpu_fixture.h"

namespace {

// Tested calls of one lifetime: init 20 + 20 + 2 + 2, each block 5 + 1 + 1 + 2 + 10,
// release 2 + 20 + 2.
constexpr int kInitCalls = 44;
constexpr int kBlockCalls = 19;
constexpr int kReleaseCalls = 24;
constexpr int kScenarioCalls = kInitCalls + 2 * kBlockCalls + kReleaseCalls;

struct Outcome {
    std::string err;          // everything printed to stderr
    bool block[2] = {};       // GpuConvolveBlock results
    size_t callsAtFailure = 0;  // log size at the end of the step that failed
};

// Init, a Music block from the scalar set, a Movie block from the vector set, release.
Outcome RunScenario(FakeCuda& fake) {
    Outcome o;
    testing::internal::CaptureStderr();
    auto mark = [&] {
        if (fake.failedCalls && !o.callsAtFailure) o.callsAtFailure = fake.log.size();
    };
    InitGPUResources();
    mark();
    o.block[0] = GpuConvolveBlock(0, "HVFnx87");
    mark();
    o.block[1] = GpuConvolveBlock(1, "HVFnSSE2");
    mark();
    ReleaseGPUResources();
    mark();
    InitGPUResources();  // a later chunk would try again: it must not
    o.err = testing::internal::GetCapturedStderr();
    return o;
}

}  // namespace

TEST_F(GpuPathTest, ScenarioWithoutFailureMakesTheExpectedNumberOfTestedCalls) {
    const Outcome o = RunScenario(fake);
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(o.block[0] && o.block[1]);
    // The final InitGPUResources allocates again: one more initialisation's worth.
    EXPECT_EQ(fake.testedCalls, kScenarioCalls + kInitCalls);
    EXPECT_EQ(CHVLib::m_bCUDASupport, 1);
}

TEST_F(GpuPathTest, FailureAtEachTestedCallReportsReleasesAndGivesUp) {
    const std::regex runtimeMessage(
        R"(cudaSafeCall\(\) Runtime API error in file <([A-Za-z0-9]+)>, line ([0-9]+) : out of memory\.\n)");
    const std::regex fftMessage(R"(cufftSafeCall\(\) CUFFT error in file <([A-Za-z0-9]+)>, line ([0-9]+)\.\n)");
    for (int k = 1; k <= kScenarioCalls; ++k) {
        SCOPED_TRACE("failing tested call " + std::to_string(k));
        FakeCuda f;
        f.failAt = k;
        HVSetCudaApi(&f);
        CHVLib::m_bCUDASupport = 1;
        const Outcome o = RunScenario(f);
        HVSetCudaApi(&fake);

        ASSERT_EQ(f.failedCalls, 1);
        const std::string failed = f.log[f.failedLogIndex].name;
        const bool runtime = failed == "Malloc" || failed == "Memcpy" || failed == "Free";
        std::smatch m;
        ASSERT_TRUE(std::regex_match(o.err, m, runtime ? runtimeMessage : fftMessage))
            << failed << ": " << o.err;
        const char* file = k <= kInitCalls                    ? "HVFn"
                           : k <= kInitCalls + kBlockCalls     ? "HVFnx87"
                           : k <= kInitCalls + 2 * kBlockCalls ? "HVFnSSE2"
                                                               : "HVFn";
        EXPECT_EQ(m[1].str(), file);
        EXPECT_GT(std::stoi(m[2].str()), 0);

        // Blocks before the failure ran on the GPU; the failing one and all later ones not.
        EXPECT_EQ(o.block[0], k > kInitCalls + kBlockCalls);
        EXPECT_EQ(o.block[1], k > kInitCalls + 2 * kBlockCalls);
        EXPECT_EQ(CHVLib::m_bCUDASupport, 0);
        EXPECT_EQ(CHVLib::IsCUDASupported(), 0);
        EXPECT_EQ(g_bGPUInit, 0);
        // Everything released except what the failing call itself could not free.
        EXPECT_EQ(f.LiveAllocations(), failed == "Free" ? 1u : 0u);
        EXPECT_EQ(f.LivePlans(), failed == "Destroy" ? 1u : 0u);
        // After the failing step, not a single device call.
        EXPECT_EQ(f.log.size(), o.callsAtFailure);
        EXPECT_TRUE(f.violations.empty()) << f.violations.front();
    }
}

TEST_F(GpuPathTest, FailedBlockLeavesHostInputsForTheProcessorPath) {
    InitGPUResources();
    fake.failAt = fake.testedCalls + 7;  // 5 uploads, forward transform, then the device copy
    testing::internal::CaptureStderr();
    EXPECT_FALSE(GpuConvolveBlock(0, "HVFnSSE2"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("file <HVFnSSE2>"), std::string::npos) << err;
    EXPECT_EQ(fake.log[fake.failedLogIndex].kind, CHVCudaApi::DeviceToDevice);
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(std::memcmp(g_hpTime[s].m_pData, input[s].data(), HP_BLOCK * sizeof(float)), 0);
        for (uint32_t n = HP_BLOCK; n < HP_FFT; ++n) ASSERT_EQ(g_hpTime[s][n], 0.0f);
    }
}
