// Device choice at module load: the fastest device by clockRate x multiProcessorCount.
#include <gtest/gtest.h>

#include <climits>

#include "engine/HVLib.h"
#include "headphone/HVGpu.h"
#include "tests/core/gpu_fake.h"

TEST(GpuDeviceChoice, FastestByClockTimesMultiprocessorsTiesKeepLowerIndex) {
    struct Case {
        const char* name;
        std::vector<HVCUDA_DEVICE_PROPS> devices;
        std::vector<int> unusable;
        int fastest, current;  // current: the device made current, -1 none (no support)
    };
    const Case cases[] = {
        {"single", {{1000, 10}}, {}, 0, 0},
        {"equal pair", {{1500000, 40}, {1500000, 40}}, {}, 0, 0},
        {"same product, other factors", {{2000000, 30}, {1500000, 40}}, {}, 0, 0},
        {"second faster by one", {{1000, 10}, {1001, 10}}, {}, 1, 1},
        {"third fastest", {{1000, 10}, {900, 12}, {2000, 10}}, {}, 2, 2},
        {"later tie with the best", {{1000, 10}, {2000, 10}, {1000, 20}}, {}, 1, 1},
        {"fast first", {{1980000, 132}, {1410000, 108}, {1755000, 80}}, {}, 0, 0},
        // 2^30 x 2 wraps to INT_MIN in 32 bits: that device scores lowest.
        {"product wraps negative", {{1000, 10}, {1 << 30, 2}}, {}, 0, 0},
        // 2^31 - 1 x 1 stays positive and wins.
        {"largest positive product", {{1000, 10}, {INT_MAX, 1}}, {}, 1, 1},
        {"no device (no driver behaves the same)", {}, {}, -1, -1},
        {"the chosen device cannot be read", {{1000, 10}}, {0}, 0, -1},
        // An unreadable device scores 0 and is never chosen over a readable one.
        {"unreadable faster device", {{1000, 10}, {9000, 90}}, {1}, 0, 0},
    };
    for (const Case& c : cases) {
        ScopedFakeCuda layer;
        layer.fake.devices = c.devices;
        layer.fake.unusableDevices = c.unusable;
        if (c.fastest >= 0) {
            EXPECT_EQ(FindFastestCUDADevice(), c.fastest) << c.name;
        }
        layer.fake.log.clear();
        EXPECT_EQ(SelectCUDADevice(), c.current >= 0 ? 1 : 0) << c.name;
        int current = -1;
        for (auto& call : layer.fake.log)
            if (call.name == "SetDevice") current = call.kind;
        EXPECT_EQ(current, c.current) << c.name;
        EXPECT_EQ(layer.fake.testedCalls, 0) << c.name << ": no allocation, copy or plan";
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
