// A failure injected at every tested device call: one message in the stated form, the
// device state released as far as possible, the GPU given up for good, the caller told to
// finish the block on the processor, and no device call afterwards.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/core/gpu_fixture.h"

namespace {

// Tested calls of one lifetime: init 20 + 20 + 2 + 2, each block 5 + 1 + 1 + 2 + 10,
// release 2 + 20 + 2.
constexpr int kInitCalls = 44;
constexpr int kBlockCalls = 19;
constexpr int kReleaseCalls = 24;
constexpr int kScenarioCalls = kInitCalls + 2 * kBlockCalls + kReleaseCalls;

struct Outcome {
    std::string err;            // everything printed to stderr
    bool block[2] = {};         // GpuConvolveBlock results
    size_t callsAtFailure = 0;  // log size at the end of the step that failed
};

// Init, a Music block from the scalar set, a Movie block from the vector set, release, and
// the init a later chunk would try (it must not).
Outcome RunScenario(FakeCuda& fake) {
    Outcome o;
    testing::internal::CaptureStderr();
    auto mark = [&] {
        if (fake.failedCalls && !o.callsAtFailure) o.callsAtFailure = fake.log.size();
    };
    InitGPUResources(HP()), mark();
    o.block[0] = GpuConvolveBlock(HP(), 0, "HVFnx87"), mark();
    o.block[1] = GpuConvolveBlock(HP(), 1, "HVFnSSE2"), mark();
    ReleaseGPUResources(HP()), mark();
    InitGPUResources(HP());
    o.err = testing::internal::GetCapturedStderr();
    return o;
}

}  // namespace

TEST_F(GpuPathTest, FailureAtEachTestedCallReportsReleasesAndGivesUp) {
    {
        const Outcome o = RunScenario(fake);  // without a failure: the count is right
        ASSERT_EQ(o.err, "");
        ASSERT_TRUE(o.block[0] && o.block[1]);
        ASSERT_EQ(fake.testedCalls, kScenarioCalls + kInitCalls);  // incl. the last init
        ReleaseGPUResources(HP());
    }
    for (int k = 1; k <= kScenarioCalls; ++k) {
        SCOPED_TRACE("failing tested call " + std::to_string(k));
        FakeCuda f;
        f.failAt = k;
        HVSetCudaApi(&f);
        SetGpuSupported(1);
        const Outcome o = RunScenario(f);
        HVSetCudaApi(&fake);

        ASSERT_EQ(f.failedCalls, 1);
        const std::string failed = f.log[f.failedLogIndex].name;
        const bool runtime = failed == "Malloc" || failed == "Memcpy" || failed == "Free";
        const std::string file = k <= kInitCalls                     ? "HVFn"
                                 : k <= kInitCalls + kBlockCalls     ? "HVFnx87"
                                 : k <= kInitCalls + 2 * kBlockCalls ? "HVFnSSE2"
                                                                     : "HVFn";
        const size_t at = o.err.find(", line ");
        const int line = at == std::string::npos ? -1 : std::atoi(o.err.c_str() + at + 7);
        EXPECT_GT(line, 0);
        const std::string where = "file <" + file + ">, line " + std::to_string(line);
        EXPECT_EQ(o.err, runtime ? "cudaSafeCall() Runtime API error in " + where + " : out of memory.\n"
                                 : "cufftSafeCall() CUFFT error in " + where + ".\n")
            << failed;

        // Blocks before the failure ran on the GPU; the failing one and all later ones not.
        EXPECT_EQ(o.block[0], k > kInitCalls + kBlockCalls);
        EXPECT_EQ(o.block[1], k > kInitCalls + 2 * kBlockCalls);
        EXPECT_EQ(int(GpuSupported()), 0);
        EXPECT_EQ(CHVLib::IsCUDASupported(), 0);
        EXPECT_EQ(HP().m_gpu.m_bInit, 0);
        // Everything released except what the failing call itself could not free.
        EXPECT_EQ(f.LiveAllocations(), failed == "Free" ? 1u : 0u);
        EXPECT_EQ(f.LivePlans(), failed == "Destroy" ? 1u : 0u);
        // After the failing step, not a single device call.
        EXPECT_EQ(f.log.size(), o.callsAtFailure);
        EXPECT_TRUE(f.violations.empty()) << f.violations.front();
    }
}
