// The headphone mode as the engine drives it: layout codes, block-wise release, the
// hand-back of held frames when the mode is left, and the reset.
#include "TestUtil.h"

namespace {

// One chunk as the DSP instance hands it over: host floats in, frames and a code out.
uint32_t RunChunk(uint32_t channels, const std::vector<float>& host, HVFrames& frames) {
    TestLib().ConvertFloatToInternal(channels, host.data(), uint32_t(host.size() / channels), frames);
    return TestLib().ProcessChunk(channels, frames);
}

// A unit impulse in the first sample of a block of `channels`-channel host frames.
std::vector<float> Impulse(uint32_t channels) {
    std::vector<float> host(size_t(channels) * HP_BLOCK, 0.0f);
    host[0] = 1.0f;
    return host;
}

}  // namespace

// Mono is rendered through the centre responses; at 96 kHz the stage holds the frames of
// its delay like the block engine holds its unfinished block.
TEST(HeadphoneEngine, MonoUsesTheCentreResponsesAndOtherRatesAreRendered) {
    Stage stage;
    HVFrames frames;
    ASSERT_EQ(RunChunk(1, Impulse(1), frames), 2u);
    ASSERT_EQ(frames.m_dwCount, HP_BLOCK);
    for (uint32_t i = 0; i < HP_BLOCK; ++i)
        for (int ear = 0; ear < 2; ++ear)
            ASSERT_NEAR(frames[i].f[ear], kOutGain * Taps(0, 2, ear)[i], 1e-6f) << i;

    Stage high(96000);
    EXPECT_EQ(RunChunk(2, std::vector<float>(2 * 777, 0.125f), frames), 2u);
    EXPECT_EQ(frames.m_dwCount, 0u);
    EXPECT_EQ(TestLib().Partitioned().Held(), 777u);
    EXPECT_EQ(HP().m_fill, 0u);
}

// The first chunk in another mode is extended by the frames the stage held, as silence;
// in bypass the chunk itself comes back unchanged in front of them.
TEST(HeadphoneEngine, LeavingHeadphoneModeHandsBackTheHeldFramesAsSilence) {
    std::vector<float> next(2 * 1000);
    for (size_t i = 0; i < next.size(); ++i) next[i] = float(i) / 4096.0f;
    for (uint32_t mode : {0u, 1u, 2u, 4u}) {
        SCOPED_TRACE(mode);
        Stage stage;
        HVFrames frames;
        RunChunk(2, std::vector<float>(2 * 300, 0.5f), frames);
        ASSERT_EQ(HP().m_fill, 300u);
        stage.cfg.dwMode = mode;
        RunChunk(2, next, frames);
        ASSERT_EQ(frames.m_dwCount, 1300u);
        EXPECT_EQ(HP().m_fill, 0u);
        for (uint32_t i = 0; mode == 0 && i < 1000; ++i)
            ASSERT_TRUE(frames[i].f[0] == next[2 * i] && frames[i].f[1] == next[2 * i + 1]);
        for (uint32_t i = 1000; i < 1300; ++i)
            for (int slot = 0; slot < 6; ++slot) ASSERT_EQ(frames[i].f[slot], 0.0f) << i;
        RunChunk(2, next, frames);  // only the first chunk after leaving gets the extra frames
        EXPECT_EQ(frames.m_dwCount, 1000u);
    }
}

TEST(HeadphoneEngine, ResetDropsHeldFramesAndTail) {
    Stage stage;
    HVFrames frames;
    RunChunk(6, std::vector<float>(6 * (HP_BLOCK + 500), 0.3f), frames);
    ASSERT_EQ(HP().m_fill, 500u);
    TestLib().Reset();
    EXPECT_EQ(HP().m_fill, 0u);
    // After the reset an impulse comes out clean: no old tail, no old held frames.
    RunChunk(2, Impulse(2), frames);
    ASSERT_EQ(frames.m_dwCount, HP_BLOCK);
    for (uint32_t i = 0; i < HP_BLOCK; ++i)
        ASSERT_NEAR(frames[i].f[0], kOutGain * Taps(0, 0, 0)[i], 1e-6f) << i;
}
