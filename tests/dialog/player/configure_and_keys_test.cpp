// `halvane configure`'s file editing with scripted popups, the terminal key decoder and the
// play status line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/AppError.h"
#include "app/PlayStatusLine.h"
#include "app/PresetEditing.h"
#include "app/PresetFile.h"
#include "app/TerminalKeys.h"
#include "host/dsp_halvane_params.h"
#include "sdk/service.h"

namespace hv_player_test {
namespace {

// A DSP entry whose popup runs a script against the preset and the callback, the way the
// dialog publishes: every edit, then on Cancel the opening preset once more.
struct ScriptedEntry : dsp_entry_v2 {
    std::function<void(const dsp_preset&, dsp_preset_edit_callback&)> script;
    int popups = 0;

    void get_name(pfc::string_base& out) override { out.set_string("scripted"); }
    bool get_default_preset(dsp_preset&) override { return false; }
    bool instantiate(service_ptr_t<dsp>&, const dsp_preset&) override { return false; }
    GUID get_guid() override { return HALVANE_GUID; }
    bool have_config_popup() override { return true; }
    void show_config_popup_v2(const dsp_preset& p, fb2k_hwnd, dsp_preset_edit_callback& cb) override {
        ++popups;
        script(p, cb);
    }
};

dsp_preset_impl WithWord(const dsp_preset& p, int word, uint32_t value) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    EXPECT_TRUE(params.set_data(p));
    HVSetConfigWord(params.m_config, word, value);
    dsp_preset_impl out;
    params.get_data(out);
    return out;
}

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class PresetEditing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(dir_), nullptr);
        path_ = std::string(dir_) + "/room.preset";
    }
    void TearDown() override { std::system((std::string("rm -rf '") + dir_ + "'").c_str()); }
    char dir_[64] = "/tmp/halvane-configure-XXXXXX";
    std::string path_;
    service_impl_single_t<ScriptedEntry> entry;
};

TEST_F(PresetEditing, OkWritesTheLastPublishedPresetCancelLeavesTheFileByteForByte) {
    entry.script = [](const dsp_preset& p, dsp_preset_edit_callback& cb) {
        cb.on_preset_changed(WithWord(p, 11, 40));                  // dwDelayL
        cb.on_preset_changed(WithWord(WithWord(p, 11, 40), 0, 1));  // then dwMode, then OK
    };
    ASSERT_TRUE(EditPresetFile(entry, path_));  // a new file: starts from the defaults
    const HVLIB_CONFIG saved = LoadPresetSettings(path_);
    EXPECT_EQ(saved.dwDelayL, 40u);
    EXPECT_EQ(saved.dwMode, 1u);
    EXPECT_EQ(saved.dwCentreWeight, 100u);

    const std::string before = Slurp(path_);
    entry.script = [](const dsp_preset& p, dsp_preset_edit_callback& cb) {
        cb.on_preset_changed(WithWord(p, 4, 70));
        cb.on_preset_changed(WithWord(p, 0, 3));
        cb.on_preset_changed(p);  // Cancel republishes the opening preset
    };
    EXPECT_FALSE(EditPresetFile(entry, path_));
    EXPECT_EQ(Slurp(path_), before);
    entry.script = [](const dsp_preset&, dsp_preset_edit_callback&) {};  // closed without a change
    EXPECT_FALSE(EditPresetFile(entry, path_));
    EXPECT_EQ(Slurp(path_), before);

    // Editing the saved file starts from what it holds.
    entry.script = [](const dsp_preset& p, dsp_preset_edit_callback& cb) {
        cb.on_preset_changed(WithWord(p, 17, uint32_t(-5)));  // nTrimL
    };
    ASSERT_TRUE(EditPresetFile(entry, path_));
    const HVLIB_CONFIG again = LoadPresetSettings(path_);
    EXPECT_EQ(again.dwDelayL, 40u);
    EXPECT_EQ(again.nTrimL, -5);
    EXPECT_EQ(entry.popups, 4);
}

TEST_F(PresetEditing, FileOfAnotherDspIsRefusedBeforeThePopup) {
    dsp_preset_impl foreign;
    foreign.set_owner(GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
    const uint8_t bytes[112] = {};
    foreign.set_data(bytes, sizeof bytes);
    WritePresetFile(path_, foreign);
    const std::string before = Slurp(path_);
    entry.script = [](const dsp_preset&, dsp_preset_edit_callback&) {};
    EXPECT_THROW(EditPresetFile(entry, path_), AppError);
    EXPECT_EQ(entry.popups, 0);
    EXPECT_EQ(Slurp(path_), before);
}

TEST(TerminalKeyDecoding, KeysArrowsAndPartialSequences) {
    struct Case {
        const char* bytes;
        size_t used;
        bool known;
        Key key;
    };
    const Case cases[] = {
        {" ", 1, true, Key::Space},     {"n", 1, true, Key::Next},       {"q", 1, true, Key::Quit},
        {"c", 1, true, Key::Configure}, {"\x1b[C", 3, true, Key::Right}, {"\x1b[D", 3, true, Key::Left},
        {"\x1bOD", 3, true, Key::Left}, {"\x1b[A", 3, false, Key::Space}, {"x", 1, false, Key::Space},
        {"\x1b", 0, false, Key::Space}, {"\x1b[", 0, false, Key::Space}, {"\x1bx", 1, false, Key::Space},
    };
    for (const Case& c : cases) {
        Key key = Key::Space;
        bool known = false;
        const size_t n = std::char_traits<char>::length(c.bytes);
        EXPECT_EQ(DecodeKey(c.bytes, n, key, known), c.used) << "bytes of length " << n;
        EXPECT_EQ(known, c.known);
        if (c.known) {
            EXPECT_EQ(key, c.key);
        }
    }
}

TEST(PlayStatusLine, TimesFormatsAndEngineState) {
    EXPECT_EQ(FormatPlayTime(0, 44100), "0:00");
    EXPECT_EQ(FormatPlayTime(44100 * 75 + 44099, 44100), "1:15");
    EXPECT_EQ(FormatPlayTime(uint64_t(48000) * 3725, 48000), "1:02:05");
    EXPECT_EQ(FormatPlayTime(1000, 0), "-:--");

    PlayerStatus s;
    s.track = 1;
    s.trackCount = 2;
    s.trackName = "/music/song.wav";
    s.positionFrames = 44100 * 12;
    s.lengthFrames = 44100 * 225;
    s.rate = 44100;
    s.inChannels = 2;
    s.outChannels = 5;
    EngineState e{true, true, 2, 44100};
    EXPECT_EQ(FormatPlayStatus(s, 2, e),
              "> 0:12 / 3:45  [2/2] song.wav  44100 Hz 2 ch -> 5 ch  Halvane-HV  | engine: playing, 2 ch, 44100 Hz");
    s.paused = true;
    e.known = false;
    EXPECT_EQ(FormatPlayStatus(s, 3, e), "|| paused 0:12 / 3:45  [2/2] song.wav  44100 Hz 2 ch -> 5 ch  Headphone");
}

}  // namespace
}  // namespace hv_player_test
