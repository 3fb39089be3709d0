// Loads the built module the way a host does - dlopen, the exported entry point, the client
// object, the factory list - and talks to it only through its virtual interfaces.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/cfg_halvane_tab.h"
#include "host/dsp_halvane_params.h"
#include "host/halvane_headphone_options.h"
#include "host/halvane_status.h"
#include "sdk/foobar2000.h"

#ifndef HALVANE_MODULE_PATH
#error "HALVANE_MODULE_PATH must name the built module"
#endif

namespace {

// A configuration record of the tab variable; Tab(v) is the whole stream the module writes.
std::vector<uint8_t> TabRecord(uint32_t length, std::vector<uint8_t> data) {
    std::vector<uint8_t> s(16);
    GuidToBytes(c_halvane_tab, s.data());
    for (int k = 0; k < 4; ++k) s.push_back(uint8_t(length >> (8 * k)));
    s.insert(s.end(), data.begin(), data.end());
    return s;
}
std::vector<uint8_t> Tab(uint8_t v) { return TabRecord(4, {v, 0, 0, 0}); }

class LoadedModule : public ::testing::Test {
protected:
    void SetUp() override {
        m_handle = dlopen(HALVANE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        auto entry = reinterpret_cast<foobar2000_get_interface_t>(dlsym(m_handle, kFoobar2000EntryPointName));
        ASSERT_NE(entry, nullptr);
        m_client = entry(nullptr, m_handle);
        ASSERT_NE(m_client, nullptr);
        m_list = m_client->get_service_list();
    }
    void TearDown() override {
        m_client = nullptr;
        if (m_handle) dlclose(m_handle);
    }

    template <class T>
    service_ptr_t<T> Find() {
        service_ptr_t<T> s;
        EXPECT_TRUE(find_service(m_list, s));
        return s;
    }

    std::vector<uint8_t> Config() {
        stream_writer_buffer w;
        abort_callback_dummy noabort;
        m_client->get_config(&w, noabort);
        return w.get_buffer();
    }
    void SetConfig(const std::vector<uint8_t>& s) {
        abort_callback_dummy noabort;
        stream_reader_memblock_ref r(s.data(), s.size());
        m_client->set_config(&r, noabort);
    }

    void* m_handle = nullptr;
    foobar2000_client* m_client = nullptr;
    service_factory_base* m_list = nullptr;
};

}  // namespace

TEST_F(LoadedModule, ExportsOnlyTheEntryPointAndAnswersAsClient) {
    EXPECT_EQ(dlsym(m_handle, "g_hvlib"), nullptr);
    EXPECT_EQ(dlsym(m_handle, "_ZN20service_factory_base16__internal__listE"), nullptr);
    EXPECT_EQ(m_client->get_version(), 76u);
    EXPECT_FALSE(m_client->is_debug());
    m_client->services_init(true);
    EXPECT_EQ(service_factory_count(m_list), 5u)
        << "DSP entry, version, playback callback, status, headphone options";
    // The headphone options reach the module's engine and check what they are given.
    service_ptr_t<halvane_headphone_options> hp;
    ASSERT_TRUE(find_service(m_list, hp));
    EXPECT_FALSE(hp->SetBlock(100));
    EXPECT_TRUE(hp->SetBlock(256));
    EXPECT_EQ(hp->GetBlock(), 256u);
    EXPECT_TRUE(hp->SetBlock(8192));
    pfc::string8 error, note;
    EXPECT_FALSE(hp->SetResponseFile("/nonexistent/r.wav", false, error, note));
    EXPECT_STREQ(error.get_ptr(), "/nonexistent/r.wav: no such file");
    EXPECT_TRUE(hp->UsesBuiltinResponses());
}

TEST_F(LoadedModule, DspEntryProcessesThroughTheModule) {
    service_ptr_t<dsp_entry_v2> entry;
    ASSERT_TRUE(find_dsp_entry(m_list, HALVANE_GUID, entry));
    pfc::string8 name;
    entry->get_name(name);
    EXPECT_STREQ(name.get_ptr(), "Corvell Halvane");
    EXPECT_TRUE(entry->have_config_popup());
    dsp_preset_impl preset;
    ASSERT_TRUE(entry->get_default_preset(preset));

    service_ptr_t<dsp> instance;
    ASSERT_TRUE(entry->instantiate(instance, preset));
    service_ptr_t<dsp_v2> v2;
    ASSERT_TRUE(instance->service_query_t(v2));
    dsp_chunk_list_impl list;
    std::vector<float> samples(2 * 1024, 0.25f);
    list.add_item()->set_data(samples.data(), 1024, 2, 44100, 3);
    abort_callback_dummy noabort;
    v2->run_v2(&list, 0, noabort);
    ASSERT_EQ(list.get_count(), 1u);
    EXPECT_EQ(list.get_item(0)->get_channels(), 5u);
    EXPECT_EQ(list.get_item(0)->get_channel_config(), 55u);
    EXPECT_EQ(list.get_item(0)->get_sample_count(), 1024u);

    service_ptr_t<halvane_status> status = Find<halvane_status>();
    ASSERT_TRUE(status.is_valid());
    EXPECT_EQ(status->GetChannels(), 2u);
    EXPECT_EQ(status->GetSRate(), 44100u);
}

TEST_F(LoadedModule, VersionTexts) {
    service_ptr_t<componentversion> v = Find<componentversion>();
    ASSERT_TRUE(v.is_valid());
    auto text = [&](void (componentversion::*get)(pfc::string_base&)) {
        pfc::string8 s;
        (v.get_ptr()->*get)(s);
        return std::string(s.get_ptr());
    };
    EXPECT_EQ(text(&componentversion::get_file_name), "") << "no name before set_library_path";
    EXPECT_EQ(text(&componentversion::get_component_name), "Corvell Halvane");
    EXPECT_EQ(text(&componentversion::get_component_version), "1.02");
    const std::string about = text(&componentversion::get_about_message);
    const size_t lf = about.find('\n');
    ASSERT_NE(lf, std::string::npos);
    EXPECT_EQ(about.find('\n', lf + 1), std::string::npos) << "two lines";
    EXPECT_NE(about.find("://"), std::string::npos);
    EXPECT_NE(about.find("2010", lf), std::string::npos);
    m_client->set_library_path("/opt/player/components/foo_dsp_halvane.so", "foo_dsp_halvane");
    EXPECT_EQ(text(&componentversion::get_file_name), "foo_dsp_halvane");
}

TEST_F(LoadedModule, PlaybackCallbackDrivesThePlayingFlag) {
    service_ptr_t<play_callback_static> cb = Find<play_callback_static>();
    service_ptr_t<halvane_status> status = Find<halvane_status>();
    ASSERT_TRUE(cb.is_valid() && status.is_valid());
    EXPECT_EQ(cb->get_flags(), 511u);
    EXPECT_EQ(cb->get_flags() & play_callback_static::flag_on_volume_change, 0u);

    EXPECT_FALSE(status->IsPlaying()) << "zero at load";
    cb->on_playback_starting(play_control::track_command_play, false);
    EXPECT_TRUE(status->IsPlaying());
    cb->on_playback_pause(true);
    cb->on_playback_seek(12.5);
    cb->on_playback_time(13.0);
    cb->on_playback_pause(false);
    cb->on_playback_dynamic_info("title=x");
    cb->on_playback_edited("a.flac");
    EXPECT_TRUE(status->IsPlaying()) << "pause, seek and the rest keep it playing";
    for (auto reason : {play_control::stop_reason_user, play_control::stop_reason_eof,
                        play_control::stop_reason_starting_another, play_control::stop_reason_shutting_down}) {
        cb->on_playback_starting(play_control::track_command_play, false);
        cb->on_playback_stop(reason);
        EXPECT_FALSE(status->IsPlaying()) << "stop reason " << reason;
    }
    cb->on_playback_new_track("b.flac");
    EXPECT_TRUE(status->IsPlaying()) << "a new track without a start event";
    cb->on_playback_stop(play_control::stop_reason_user);
}

// The module's configuration stream: records of (GUID, u32 LE length, data), read until the
// stream ends or a record is cut short.
TEST_F(LoadedModule, TabRoundTripAndDamagedConfigurationStreams) {
    SetConfig({});
    EXPECT_EQ(Config(), Tab(0)) << "absent record keeps the default";
    SetConfig(Tab(3));
    EXPECT_EQ(Config(), Tab(3));
    const std::vector<uint8_t> written = Config();  // what the module writes reads back the same
    SetConfig(Tab(0));
    SetConfig(written);
    EXPECT_EQ(Config(), Tab(3));

    // Damaged streams, with the tab they must leave: records claiming more bytes than remain,
    // or cut inside the GUID or the length, are not applied.
    auto cat = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> s;
        for (const auto& p : parts) s.insert(s.end(), p.begin(), p.end());
        return s;
    };
    std::vector<uint8_t> unknown(16, 0x5a);
    unknown.insert(unknown.end(), {7, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7});
    std::vector<std::pair<std::vector<uint8_t>, uint8_t>> cases = {
        {cat({Tab(2), TabRecord(2, {9, 9})}), 2},  // too short for the value: left alone,
        {cat({TabRecord(2, {9, 9}), Tab(1)}), 1},  // and the next record is still read
        {cat({TabRecord(8, {5, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}), TabRecord(2, {9, 9})}), 5},  // rest skipped
        {cat({unknown, Tab(1)}), 1},  // an unknown GUID is skipped by its length
    };
    for (uint32_t claimed : {5u, 1000u, 0x7fffffffu, 0xffffffffu})
        cases.push_back({cat({Tab(2), TabRecord(claimed, {5, 0, 0, 0})}), 2});
    for (size_t keep : {1u, 15u, 16u, 19u}) {
        std::vector<uint8_t> cut = Tab(4);
        cut.resize(keep);
        cases.push_back({cat({Tab(2), cut}), 2});
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        SetConfig(cases[i].first);
        EXPECT_EQ(Config(), Tab(cases[i].second)) << "case " << i;
    }

    // Random bytes, some behind our own GUID: no crash, and the module still writes one record.
    std::minstd_rand rng(3141592653u);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> s(rng() % 200);
        for (uint8_t& b : s) b = uint8_t(rng());
        if (round % 3 == 0 && s.size() >= 20) GuidToBytes(c_halvane_tab, s.data());
        SetConfig(s);
        EXPECT_EQ(Config().size(), 24u);
    }
}
