// The DSP instance in the host's chain: output layouts and masks, pass-through of
// unsupported layouts, the reset and recalculation requests, latency, instantiation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/HVLib.h"
#include "host/dsp_halvane.h"
#include "host_test_util.h"
#include "kernels/HVFn.h"
#include "sdk/dsp_entry.h"
#include "sdk/service_enum.h"

namespace {

constexpr float kGainTolerance = 1e-6f;  // relative, on single-precision dB conversions

service_ptr_t<dsp> MakeInstance(const HVLIB_CONFIG& cfg) {
    return service_ptr_t<dsp>(new service_impl_t<dsp_halvane>(PresetFor(cfg)));
}

dsp_halvane& AsHalvane(const service_ptr_t<dsp>& d) { return static_cast<dsp_halvane&>(*d); }

bool Process(const service_ptr_t<dsp>& d, audio_chunk& c) {
    abort_callback_dummy noabort;
    return AsHalvane(d).on_chunk(&c, noabort);
}

class DspInstance : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts from a reset engine and a fresh rate.
        g_bSignalReset.store(1);
        g_bSignalRecalc.store(0);
    }
};

}  // namespace

TEST_F(DspInstance, StereoDecodesToFiveOrSixChannelsWithTheirMasks) {
    const std::vector<float> in = TestSignal(2 * 1024);
    {
        audio_chunk_impl c;
        FillChunk(c, in, 2, 44100);
        EXPECT_TRUE(Process(MakeInstance(ConfigWithMode(2)), c));
        EXPECT_EQ(c.get_channels(), 5u);
        EXPECT_EQ(c.get_channel_config(), 55u);
        EXPECT_EQ(c.get_sample_count(), 1024u);
        EXPECT_EQ(c.get_srate(), 44100u);
    }
    {
        HVLIB_CONFIG cfg = ConfigWithMode(2);
        cfg.bLFERedir = 1;
        audio_chunk_impl c;
        FillChunk(c, in, 2, 44100);
        EXPECT_TRUE(Process(MakeInstance(cfg), c));
        EXPECT_EQ(c.get_channels(), 6u);
        EXPECT_EQ(c.get_channel_config(), 63u);
        EXPECT_EQ(c.get_sample_count(), 1024u);
        EXPECT_EQ(c.get_srate(), 44100u);
    }
}

TEST_F(DspInstance, BypassReturnsEverySupportedLayoutBitIdenticalWithItsMask) {
    struct Layout {
        unsigned channels, mask;
    };
    for (Layout l : {Layout{1, 4}, Layout{2, 3}, Layout{5, 55}, Layout{6, 63}}) {
        const std::vector<float> in = TestSignal(l.channels * 777, l.channels);
        audio_chunk_impl c;
        // The host's mask is not what decides the layout; the result carries ours.
        FillChunk(c, in, l.channels, 48000, 0x7ff);
        Process(MakeInstance(ConfigWithMode(0)), c);
        EXPECT_EQ(c.get_channels(), l.channels);
        EXPECT_EQ(c.get_channel_config(), l.mask) << l.channels << " channels";
        EXPECT_EQ(c.get_srate(), 48000u);
        EXPECT_TRUE(SameSamples(c, in)) << l.channels << " channels";
    }
}

TEST_F(DspInstance, UnsupportedChannelCountsPassUnchangedInEveryMode) {
    for (unsigned channels : {3u, 4u, 7u, 8u}) {
        for (uint32_t mode = 0; mode <= 4; ++mode) {
            const std::vector<float> in = TestSignal(channels * 300, mode + 7 * channels);
            audio_chunk_impl c;
            FillChunk(c, in, channels, 44100, 0x1234);
            EXPECT_TRUE(Process(MakeInstance(ConfigWithMode(mode)), c));
            EXPECT_EQ(c.get_channels(), channels);
            EXPECT_EQ(c.get_channel_config(), 0x1234u);
            EXPECT_EQ(c.get_srate(), 44100u);
            EXPECT_TRUE(SameSamples(c, in)) << channels << " channels, mode " << mode;
            EXPECT_EQ(g_dwChannels.load(), channels);
        }
    }
}

TEST_F(DspInstance, FlushResetsTheEngineBeforeTheNextChunk) {
    service_ptr_t<dsp> d = MakeInstance(ConfigWithMode(0));
    const std::vector<float> in = TestSignal(2 * 64);
    audio_chunk_impl c;
    FillChunk(c, in, 2, 44100);
    Process(d, c);  // consumes the reset requested by SetUp
    ASSERT_EQ(g_bSignalReset.load(), 0);

    // Plant history in a filter memory that bypass never touches.
    CHVFn::m_stBass.m[0][0] = 0.25f;
    FillChunk(c, in, 2, 44100);
    Process(d, c);
    EXPECT_EQ(CHVFn::m_stBass.m[0][0], 0.25f) << "no reset without a request";

    d->flush();
    EXPECT_EQ(g_bSignalReset.load(), 1) << "flush only requests the reset";
    EXPECT_EQ(CHVFn::m_stBass.m[0][0], 0.25f);
    FillChunk(c, in, 2, 44100);
    Process(d, c);
    EXPECT_EQ(CHVFn::m_stBass.m[0][0], 0.0f);
    EXPECT_EQ(g_bSignalReset.load(), 0);
}

TEST_F(DspInstance, RateChangeOrRecalcRequestRecomputesTheConstants) {
    const std::vector<float> in = TestSignal(2 * 32);
    audio_chunk_impl c;
    HVLIB_CONFIG loud = ConfigWithMode(0);
    loud.nMasterGain = 6;
    FillChunk(c, in, 2, 44100);
    Process(MakeInstance(loud), c);
    FillChunk(c, in, 2, 96000);
    Process(MakeInstance(loud), c);
    EXPECT_EQ(CHVLib::GetSRate(), 96000u);
    EXPECT_NEAR(CHVFn::m_fMasterGain, 1.9952623f, 1.9952623f * kGainTolerance);  // 10^(6/20)

    // Same rate, other settings: the constants stay until the dialog asks for them.
    FillChunk(c, in, 2, 96000);
    Process(MakeInstance(ConfigWithMode(0)), c);
    EXPECT_NEAR(CHVFn::m_fMasterGain, 1.9952623f, 1.9952623f * kGainTolerance);

    g_bSignalRecalc.store(1);
    FillChunk(c, in, 2, 96000);
    Process(MakeInstance(ConfigWithMode(0)), c);
    EXPECT_EQ(g_bSignalRecalc.load(), 0);
    EXPECT_NEAR(CHVFn::m_fMasterGain, 1.0f, kGainTolerance);
}

TEST_F(DspInstance, ReportsNoLatencyAndNoTrackMarks) {
    for (uint32_t mode = 0; mode <= 4; ++mode) {
        service_ptr_t<dsp> d = MakeInstance(ConfigWithMode(mode));
        EXPECT_EQ(d->get_latency(), 0.0);
        EXPECT_FALSE(d->need_track_change_mark());
    }
}

TEST_F(DspInstance, EndOfPlaybackRequestsAReset) {
    service_ptr_t<dsp_v2> d;
    d = static_cast<dsp_v2*>(MakeInstance(ConfigWithMode(1)).get_ptr());
    dsp_chunk_list_impl list;
    FillChunk(*list.add_item(), TestSignal(2 * 256), 2, 44100);
    g_bSignalReset.store(0);
    d->run(&list, dsp::FLUSH);
    EXPECT_EQ(list.get_count(), 1u);
    EXPECT_EQ(g_bSignalReset.load(), 1);
}

TEST_F(DspInstance, SteadyChunksAllocateNothing) {
    HVLIB_CONFIG cfg = ConfigWithMode(1);
    cfg.bLFERedir = 1;
    cfg.dwDelayC = 5;
    service_ptr_t<dsp> d = MakeInstance(cfg);
    const std::vector<float> in = TestSignal(2 * 512);
    audio_chunk_impl c;
    for (int i = 0; i < 3; ++i) {
        FillChunk(c, in, 2, 44100);
        Process(d, c);
    }
    const uint64_t before = HVAllocationCount();
    for (int i = 0; i < 50; ++i) {
        FillChunk(c, in, 2, 44100);
        Process(d, c);
    }
    EXPECT_EQ(HVAllocationCount(), before);
}

// ---- The entry service ----

namespace {
service_ptr_t<dsp_entry_v2> HalvaneEntry() {
    service_ptr_t<dsp_entry_v2> e;
    EXPECT_TRUE(find_dsp_entry(service_factory_base::__internal__list, HALVANE_GUID, e));
    return e;
}
}  // namespace

TEST(DspEntry, NameGuidAndDefaultPreset) {
    service_ptr_t<dsp_entry_v2> e = HalvaneEntry();
    ASSERT_TRUE(e.is_valid());
    pfc::string8 name;
    e->get_name(name);
    EXPECT_STREQ(name.get_ptr(), "Corvell Halvane");
    EXPECT_EQ(e->get_guid(), HALVANE_GUID);
    EXPECT_TRUE(e->have_config_popup());

    dsp_preset_impl p;
    ASSERT_TRUE(e->get_default_preset(p));
    t_dsp_halvane_params read(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(read.set_data(p));
    HVLIB_CONFIG defaults;  // the record's own defaults
    EXPECT_EQ(0, std::memcmp(&read.m_config, &defaults, 112));
}

TEST(DspEntry, InstantiateChecksTheOwnerAndFallsBackToDefaultsOnBadSize) {
    service_ptr_t<dsp_entry_v2> e = HalvaneEntry();
    ASSERT_TRUE(e.is_valid());

    service_ptr_t<dsp> held = MakeInstance(ConfigWithMode(4));
    service_ptr_t<dsp> out = held;
    dsp_preset_impl foreign;
    foreign.set_owner(GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
    std::vector<uint8_t> bytes(112, 0);
    foreign.set_data(bytes.data(), bytes.size());
    EXPECT_FALSE(e->instantiate(out, foreign));
    EXPECT_EQ(out.get_ptr(), held.get_ptr()) << "a refused preset leaves the out-parameter alone";

    dsp_preset_impl short_preset;
    short_preset.set_owner(HALVANE_GUID);
    std::vector<uint8_t> hundred(100, 0x01);
    short_preset.set_data(hundred.data(), hundred.size());
    ASSERT_TRUE(e->instantiate(out, short_preset));
    ASSERT_TRUE(out.is_valid());
    EXPECT_NE(out.get_ptr(), held.get_ptr());
    HVLIB_CONFIG defaults;
    EXPECT_EQ(0, std::memcmp(&static_cast<dsp_halvane&>(*out).get_config(), &defaults, 112));

    // A good preset is read with its repairs.
    HVLIB_CONFIG cfg = ConfigWithMode(7);
    cfg.nTrimC = -40;
    ASSERT_TRUE(e->instantiate(out, PresetFor(cfg)));
    EXPECT_EQ(static_cast<dsp_halvane&>(*out).get_config().dwMode, 2u);
    EXPECT_EQ(static_cast<dsp_halvane&>(*out).get_config().nTrimC, -12);
}
