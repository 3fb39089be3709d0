// HVBuffer growth rules and the configuration record.
#include <gtest/gtest.h>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"

TEST(HVBuffer, ResizeExtendAndClear) {
    HVFrames b;
    b.Resize(0);
    EXPECT_EQ(b.m_pData, nullptr);  // a resize to 0 never allocates
    b.Resize(1050);
    ASSERT_NE(b.m_pData, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.m_pData) % 16, 0u);
    auto* first = b.m_pData;
    b.m_dwPos = 7;
    b.Resize(1000);  // shrinking keeps the storage and rewinds
    EXPECT_TRUE(b.m_pData == first && b.m_dwCapacity == 1050u && b.m_dwCount == 1000u && b.m_dwPos == 0u);
    for (uint32_t i = 0; i < 1050; ++i) b[i].f[0] = float(i);  // 1000..1049: stale, beyond the count
    b.m_dwPos = 3;
    b.Extend(40);  // fits: same storage, and the stale frames it takes in come back as silence
    EXPECT_TRUE(b.m_pData == first && b.m_dwCount == 1040u && b.m_dwPos == 3u);
    for (uint32_t i = 1000; i < 1040; ++i)
        for (float v : b[i].f) ASSERT_EQ(v, 0.0f) << i;
    b.m_dwCount = 1000;
    b.Extend(100);  // grows to exactly what is needed, keeping the frames
    EXPECT_TRUE(b.m_dwCapacity == 1100u && b.m_dwCount == 1100u);
    for (uint32_t i = 0; i < 1000; ++i) ASSERT_EQ(b[i].f[0], float(i));
    for (uint32_t i = 1000; i < 1100; ++i)
        for (float v : b[i].f) ASSERT_EQ(v, 0.0f);
    b.Free();
    EXPECT_TRUE(b.m_pData == nullptr && b.m_dwCapacity == 0u);

    HVBuffer<float> f;
    f.Resize(8);
    for (uint32_t i = 0; i < 8; ++i) f[i] = 1.0f;
    f.Resize(6, true);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(f[i], 0.0f);
    EXPECT_EQ(f[6], 1.0f);
}

TEST(HVConfig, DefaultsAndWordAccess) {
    HVLIB_CONFIG c;
    const uint32_t expected[28] = {2, 0, 1, 100, 0, 10, 0, 0, 1, 1, 0, 0,   0, 0,
                                   0, 0, 0, 0,   0, 0,  0, 0, 0, 0, 0, 120, 1, 1};
    for (int w = 0; w < kHVConfigWords; ++w) EXPECT_EQ(HVConfigWord(c, w), expected[w]) << w;
    EXPECT_EQ(HVConfigFieldIndex("dwLFECutoff"), 25);
    EXPECT_EQ(HVConfigFieldIndex("nope"), -1);
    EXPECT_TRUE(HVConfigWordIsSigned(HVConfigFieldIndex("nTrimSR")));
    EXPECT_FALSE(HVConfigWordIsSigned(HVConfigFieldIndex("uOperations")));
    HVSetConfigWord(c, 1, uint32_t(-6));
    EXPECT_EQ(c.nMasterGain, -6);
}
