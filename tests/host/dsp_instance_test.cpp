// The DSP instance in the host's chain: output layouts and masks (the mode dispatch itself is
// checked on the engine), pass-through of unsupported layouts, the reset and recalculation
// requests, steady-state allocation, and instantiation through the entry service.
#include <gtest/gtest.h>

#include "engine/HVLib.h"
#include "host/halvane_engine.h"
#include "host_test_util.h"
#include "sdk/service_enum.h"

namespace {

constexpr float kGainTolerance = 1e-6f;  // relative, on single-precision dB conversions

class DspInstance : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts from a reset engine and a fresh rate.
        g_bSignalReset.store(1);
        g_bSignalRecalc.store(0);
    }
};

}  // namespace

// Supported sources get the layout of their mode with our mask whatever the host's mask was;
// bypass and every unsupported channel count come back bit-identical with the host's mask.
TEST_F(DspInstance, OutputLayoutAndMaskPerModeAndSource) {
    constexpr unsigned kHostMask = 0x7ff;
    struct Row {
        uint32_t mode;
        bool redirect;
        unsigned inChannels, outChannels, mask;
    };
    std::vector<Row> rows = {
        {0, false, 1, 1, 4},  {0, false, 2, 2, 3},  {0, true, 5, 5, 55}, {0, false, 6, 6, 63},
        {1, false, 2, 5, 55}, {1, true, 2, 6, 63},  {2, false, 2, 5, 55}, {2, true, 5, 6, 63},
        {4, false, 6, 2, 3},  {4, false, 5, 2, 3},
    };
    for (unsigned channels : {3u, 4u, 7u, 8u})
        for (uint32_t mode = 0; mode <= 4; ++mode) rows.push_back({mode, true, channels, channels, kHostMask});
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << r.mode << " redirect " << r.redirect << " from "
                                        << r.inChannels);
        const std::vector<float> in = TestSignal(r.inChannels * 777, r.inChannels);
        audio_chunk_impl c;
        FillChunk(c, in, r.inChannels, 48000, kHostMask);
        EXPECT_TRUE(Process(*MakeInstance(ConfigWithMode(r.mode, r.redirect)), c));
        EXPECT_EQ(c.get_channels(), r.outChannels);
        EXPECT_EQ(c.get_channel_config(), r.mask);
        EXPECT_EQ(c.get_sample_count(), 777u);
        EXPECT_EQ(c.get_srate(), 48000u);
        EXPECT_EQ(g_dwChannels.load(), r.inChannels);
        if (r.mode == 0 || r.mask == kHostMask) {
            EXPECT_TRUE(SameSamples(c, in));
        }
    }
}

TEST_F(DspInstance, FlushAndEndOfPlaybackRequestAResetForTheNextChunk) {
    service_ptr_t<dsp_v2> d = MakeInstance(ConfigWithMode(0));
    const std::vector<float> in = TestSignal(2 * 64);
    audio_chunk_impl c;
    FillChunk(c, in, 2, 44100);
    Process(*d, c);  // consumes the reset requested by SetUp
    ASSERT_EQ(g_bSignalReset.load(), 0);

    // Plant history in a filter memory that bypass never touches.
    g_hvlib.Core().State().m_stBass.m[0][0] = 0.25f;
    FillChunk(c, in, 2, 44100);
    Process(*d, c);
    EXPECT_EQ(g_hvlib.Core().State().m_stBass.m[0][0], 0.25f) << "no reset without a request";
    d->flush();
    EXPECT_EQ(g_bSignalReset.load(), 1);
    EXPECT_EQ(g_hvlib.Core().State().m_stBass.m[0][0], 0.25f) << "flush only requests the reset";
    FillChunk(c, in, 2, 44100);
    Process(*d, c);
    EXPECT_EQ(g_hvlib.Core().State().m_stBass.m[0][0], 0.0f);
    EXPECT_EQ(g_bSignalReset.load(), 0);

    dsp_chunk_list_impl list;
    FillChunk(*list.add_item(), in, 2, 44100);
    d->run(&list, dsp::FLUSH);
    EXPECT_EQ(list.get_count(), 1u);
    EXPECT_EQ(g_bSignalReset.load(), 1) << "end of playback";
}

TEST_F(DspInstance, RateChangeOrRecalcRequestRecomputesTheConstants) {
    const std::vector<float> in = TestSignal(2 * 32);
    audio_chunk_impl c;
    HVLIB_CONFIG loud = ConfigWithMode(0);
    loud.nMasterGain = 6;
    auto run = [&](const HVLIB_CONFIG& cfg, unsigned rate) {
        FillChunk(c, in, 2, rate);
        Process(*MakeInstance(cfg), c);
    };
    run(loud, 44100);
    run(loud, 96000);
    EXPECT_EQ(g_hvlib.LastSampleRate(), 96000u);
    EXPECT_NEAR(g_hvlib.Core().State().m_fMasterGain, 1.9952623f, 1.9952623f * kGainTolerance);  // 10^(6/20)

    // Same rate, other settings: the constants stay until the dialog asks for them.
    run(ConfigWithMode(0), 96000);
    EXPECT_NEAR(g_hvlib.Core().State().m_fMasterGain, 1.9952623f, 1.9952623f * kGainTolerance);
    g_bSignalRecalc.store(1);
    run(ConfigWithMode(0), 96000);
    EXPECT_EQ(g_bSignalRecalc.load(), 0);
    EXPECT_NEAR(g_hvlib.Core().State().m_fMasterGain, 1.0f, kGainTolerance);
}

TEST_F(DspInstance, SteadyChunksAllocateNothing) {
    HVLIB_CONFIG cfg = ConfigWithMode(1, true);
    cfg.dwDelayC = 5;
    service_ptr_t<dsp_v2> d = MakeInstance(cfg);
    const std::vector<float> in = TestSignal(2 * 512);
    audio_chunk_impl c;
    uint64_t before = 0;
    for (int i = 0; i < 53; ++i) {
        if (i == 3) before = HVAllocationCount();
        FillChunk(c, in, 2, 44100);
        Process(*d, c);
    }
    EXPECT_EQ(HVAllocationCount(), before);
}

// The entry refuses foreign presets, falls back to the defaults on a bad size and reads a
// good preset with its repairs.
TEST(DspEntry, InstantiateChecksOwnerAndSize) {
    service_ptr_t<dsp_entry_v2> e;
    ASSERT_TRUE(find_dsp_entry(service_factory_base::__internal__list, HALVANE_GUID, e));
    EXPECT_EQ(e->get_guid(), HALVANE_GUID);
    service_ptr_t<dsp> held(MakeInstance(ConfigWithMode(4)).get_ptr());
    service_ptr_t<dsp> out = held;
    const std::vector<uint8_t> bytes(112, 0x01);
    dsp_preset_impl foreign;
    foreign.set_owner(GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
    foreign.set_data(bytes.data(), 112);
    EXPECT_FALSE(e->instantiate(out, foreign));
    EXPECT_EQ(out.get_ptr(), held.get_ptr()) << "a refused preset leaves the out-parameter alone";

    dsp_preset_impl shortPreset;
    shortPreset.set_owner(HALVANE_GUID);
    shortPreset.set_data(bytes.data(), 100);
    ASSERT_TRUE(e->instantiate(out, shortPreset));
    ASSERT_NE(out.get_ptr(), held.get_ptr());
    HVLIB_CONFIG defaults;
    EXPECT_EQ(0, std::memcmp(&static_cast<dsp_halvane&>(*out).get_config(), &defaults, 112));

    HVLIB_CONFIG cfg = ConfigWithMode(7);
    cfg.nTrimC = -40;
    ASSERT_TRUE(e->instantiate(out, PresetFor(cfg)));
    EXPECT_EQ(static_cast<dsp_halvane&>(*out).get_config().dwMode, 2u);
    EXPECT_EQ(static_cast<dsp_halvane&>(*out).get_config().nTrimC, -12);
}
