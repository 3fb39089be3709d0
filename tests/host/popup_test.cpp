// The configuration popup: the entry forwards to the registered dialog, and the older
// in-place form keeps the last published preset.
#include <gtest/gtest.h>

#include "host/dsp_halvane_params.h"
#include "host/halvane_popup.h"
#include "sdk/service_enum.h"

namespace {

struct PopupCall {
    int count = 0;
    const dsp_preset* data = nullptr;
    fb2k_hwnd parent = nullptr;
    dsp_preset_edit_callback* callback = nullptr;
};
PopupCall g_call;
// What the fake dialog publishes: nothing, the preset it got, or a changed one.
enum class Publish { Nothing, Same, Changed, ChangedThenBack } g_publish = Publish::Nothing;

void FakeDialog(const dsp_preset& p_data, fb2k_hwnd p_parent, dsp_preset_edit_callback& p_callback) {
    ++g_call.count;
    g_call.data = &p_data;
    g_call.parent = p_parent;
    g_call.callback = &p_callback;
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.set_data(p_data);
    dsp_preset_impl out;
    switch (g_publish) {
        case Publish::Nothing: break;
        case Publish::Same:
            params.get_data(out);
            p_callback.on_preset_changed(out);
            break;
        case Publish::Changed:
            params.m_config.dwMode = 1;
            params.get_data(out);
            p_callback.on_preset_changed(out);
            params.m_config.nTrimL = 3;  // the last edit wins
            params.get_data(out);
            p_callback.on_preset_changed(out);
            break;
        case Publish::ChangedThenBack: {
            const HVLIB_CONFIG original = params.m_config;
            params.m_config.dwMode = 0;
            params.get_data(out);
            p_callback.on_preset_changed(out);
            params.m_config = original;  // like Cancel: the original is published again
            params.get_data(out);
            p_callback.on_preset_changed(out);
            break;
        }
    }
}

struct NullCallback final : dsp_preset_edit_callback {
    void on_preset_changed(const dsp_preset&) override {}
};

service_ptr_t<dsp_entry_v2> Entry() {
    service_ptr_t<dsp_entry_v2> e;
    find_dsp_entry(service_factory_base::__internal__list, HALVANE_GUID, e);
    return e;
}

class ConfigPopup : public ::testing::Test {
protected:
    void SetUp() override {
        g_call = {};
        g_publish = Publish::Nothing;
    }
    void TearDown() override { halvane_register_config_popup(nullptr); }
};

}  // namespace

TEST_F(ConfigPopup, WithoutADialogNothingHappens) {
    service_ptr_t<dsp_entry_v2> e = Entry();
    ASSERT_TRUE(e.is_valid());
    dsp_preset_impl p;
    e->get_default_preset(p);
    const dsp_preset_impl before = p;
    NullCallback cb;
    e->show_config_popup_v2(p, nullptr, cb);
    EXPECT_FALSE(e->show_config_popup(p, nullptr));
    EXPECT_TRUE(p == before);
}

TEST_F(ConfigPopup, EntryHandsTheSameThreeArgumentsToTheDialog) {
    halvane_config_popup_registrar reg(&FakeDialog);
    service_ptr_t<dsp_entry_v2> e = Entry();
    dsp_preset_impl p;
    e->get_default_preset(p);
    NullCallback cb;
    int window = 0;
    e->show_config_popup_v2(p, &window, cb);
    EXPECT_EQ(g_call.count, 1);
    EXPECT_EQ(g_call.data, &p);
    EXPECT_EQ(g_call.parent, static_cast<fb2k_hwnd>(&window));
    EXPECT_EQ(g_call.callback, &cb);
}

TEST_F(ConfigPopup, OlderFormKeepsTheLastPublishedPresetAndReportsChange) {
    halvane_register_config_popup(&FakeDialog);
    service_ptr_t<dsp_entry_v2> e = Entry();
    dsp_preset_impl p;
    e->get_default_preset(p);
    const dsp_preset_impl original = p;

    for (Publish mode : {Publish::Nothing, Publish::Same, Publish::ChangedThenBack}) {
        g_publish = mode;
        EXPECT_FALSE(e->show_config_popup(p, nullptr));
        EXPECT_TRUE(p == original);
    }

    g_publish = Publish::Changed;
    EXPECT_TRUE(e->show_config_popup(p, nullptr));
    t_dsp_halvane_params read = t_dsp_halvane_params::g_default();
    ASSERT_TRUE(read.set_data(p));
    EXPECT_EQ(read.m_config.dwMode, 1u);
    EXPECT_EQ(read.m_config.nTrimL, 3);
}
