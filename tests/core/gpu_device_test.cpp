// Device choice at module load: the fastest device by clockRate x multiProcessorCount.
#include <gtest/gtest.h>

#include <climits>

#include "engine/HVLib.h"
#include "headphone/HVGpu.h"
#include "tests/core/gpu_fake.h"

namespace {

int SetDeviceIndex(const FakeCuda& fake) {
    for (auto& c : fake.log)
        if (c.name == "SetDevice") return c.kind;
    return -1;
}

}  // namespace

TEST(GpuDeviceChoice, FastestByClockTimesMultiprocessorsTiesKeepLowerIndex) {
    struct Case {
        const char* name;
        std::vector<HVCUDA_DEVICE_PROPS> devices;
        int expected;
    };
    const Case cases[] = {
        {"single", {{1000, 10}}, 0},
        {"equal pair", {{1500000, 40}, {1500000, 40}}, 0},
        {"same product, other factors", {{2000000, 30}, {1500000, 40}}, 0},
        {"second faster by one", {{1000, 10}, {1001, 10}}, 1},
        {"third fastest", {{1000, 10}, {900, 12}, {2000, 10}}, 2},
        {"later tie with the best", {{1000, 10}, {2000, 10}, {1000, 20}}, 1},
        {"fast first", {{1980000, 132}, {1410000, 108}, {1755000, 80}}, 0},
        // 2^30 x 2 wraps to INT_MIN in 32 bits: that device scores lowest.
        {"product wraps negative", {{1000, 10}, {1 << 30, 2}}, 0},
        // 2^31 - 1 x 1 stays positive and wins.
        {"largest positive product", {{1000, 10}, {INT_MAX, 1}}, 1},
    };
    for (const Case& c : cases) {
        FakeCuda fake;
        fake.devices = c.devices;
        CHVCudaApi* previous = HVSetCudaApi(&fake);
        EXPECT_EQ(FindFastestCUDADevice(), c.expected) << c.name;
        fake.log.clear();
        EXPECT_EQ(SelectCUDADevice(), 1) << c.name;
        EXPECT_EQ(SetDeviceIndex(fake), c.expected) << c.name;
        HVSetCudaApi(previous);
    }
}

TEST(GpuDeviceChoice, AskedInOrderAndNoResourceCalls) {
    ScopedFakeCuda layer;
    layer.fake.devices = {{1000, 10}, {1000, 10}, {1000, 10}};
    EXPECT_EQ(SelectCUDADevice(), 1);
    std::vector<std::string> names;
    std::vector<int> indices;
    for (auto& c : layer.fake.log) {
        names.push_back(c.name);
        indices.push_back(c.kind);
    }
    // Count, properties of 0, 1, 2, then the chosen device again, then make it current.
    EXPECT_EQ(names, (std::vector<std::string>{"Count", "Props", "Props", "Props", "Props",
                                               "SetDevice"}));
    EXPECT_EQ(indices, (std::vector<int>{0, 0, 1, 2, 0, 0}));
    EXPECT_EQ(layer.fake.testedCalls, 0);
}

TEST(GpuDeviceChoice, NoUsableDeviceGivesNoSupportAndNoCurrentDevice) {
    {
        ScopedFakeCuda layer;  // no device at all (no driver behaves the same)
        EXPECT_EQ(SelectCUDADevice(), 0);
        EXPECT_EQ(SetDeviceIndex(layer.fake), -1);
    }
    {
        ScopedFakeCuda layer;  // the chosen device cannot be read
        layer.fake.devices = {{1000, 10}};
        layer.fake.unusableDevices = {0};
        EXPECT_EQ(SelectCUDADevice(), 0);
        EXPECT_EQ(SetDeviceIndex(layer.fake), -1);
    }
    {
        // An unreadable device scores 0 and is never chosen over a readable one.
        ScopedFakeCuda layer;
        layer.fake.devices = {{1000, 10}, {9000, 90}};
        layer.fake.unusableDevices = {1};
        EXPECT_EQ(FindFastestCUDADevice(), 0);
        EXPECT_EQ(SelectCUDADevice(), 1);
    }
}

TEST(GpuDeviceChoice, DefaultLayerIsSilentAndAgreesWithModuleLoad) {
    // Whatever this machine has (no driver, no device, or a GPU), the default layer's
    // device choice prints nothing and agrees with the choice made at module load.
    testing::internal::CaptureStderr();
    const int support = SelectCUDADevice();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(support, CHVLib::IsCUDASupported());
}
