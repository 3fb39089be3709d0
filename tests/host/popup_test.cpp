// The configuration popup: the entry forwards to the registered dialog, the older in-place
// form keeps the last published preset, and a damaged stored tab opens the first tab. The
// real dialog is driven in tests/dialog.
#include <gtest/gtest.h>

#include "host/cfg_halvane_tab.h"
#include "host/dsp_halvane_params.h"
#include "host/halvane_engine.h"
#include "host/halvane_popup.h"
#include "host/halvane_status.h"
#include "sdk/service_enum.h"

namespace {

// What the stand-in dialog was given, and the records it publishes in turn.
const dsp_preset* g_data = nullptr;
fb2k_hwnd g_parent = nullptr;
dsp_preset_edit_callback* g_callback = nullptr;
std::vector<HVLIB_CONFIG> g_publish;

const halvane_dialog_link* g_link = nullptr;

void FakeDialog(const halvane_dialog_link* p_link, const dsp_preset* p_data, fb2k_hwnd p_parent,
                dsp_preset_edit_callback* p_callback_ptr) {
    dsp_preset_edit_callback& p_callback = *p_callback_ptr;
    g_link = p_link, g_data = p_data, g_parent = p_parent, g_callback = p_callback_ptr;
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    for (const HVLIB_CONFIG& cfg : g_publish) {
        params.m_config = cfg;
        dsp_preset_impl out;
        params.get_data(out);
        p_callback.on_preset_changed(out);
    }
}

struct NullCallback final : dsp_preset_edit_callback {
    void on_preset_changed(const dsp_preset&) override {}
};

}  // namespace

TEST(ConfigPopup, EntryForwardsToTheDialogAndTheOlderFormKeepsTheLastPublished) {
    service_ptr_t<dsp_entry_v2> entry;
    ASSERT_TRUE(find_dsp_entry(service_factory_base::__internal__list, HALVANE_GUID, entry));
    dsp_preset_impl preset;
    entry->get_default_preset(preset);
    const dsp_preset_impl original = preset;
    NullCallback callback;
    entry->show_config_popup_v2(preset, nullptr, callback);  // nothing registered: nothing happens
    EXPECT_FALSE(entry->show_config_popup(preset, nullptr));
    EXPECT_TRUE(preset == original);

    halvane_register_config_popup(&FakeDialog);
    int window = 0;
    entry->show_config_popup_v2(preset, &window, callback);
    EXPECT_EQ(g_data, &preset);
    EXPECT_EQ(g_parent, static_cast<fb2k_hwnd>(&window));
    EXPECT_EQ(g_callback, &callback);
    EXPECT_EQ(g_link, &halvane_module_dialog_link());

    const HVLIB_CONFIG opening = t_dsp_halvane_params::g_default().m_config;
    HVLIB_CONFIG bypass = opening, changed = opening;
    bypass.dwMode = 0;
    changed.dwMode = 1;
    changed.nTrimL = 3;
    // Nothing published, the same preset, or a change undone (as Cancel does): unchanged.
    for (const std::vector<HVLIB_CONFIG>& publish : {std::vector<HVLIB_CONFIG>{}, {opening}, {bypass, opening}}) {
        g_publish = publish;
        EXPECT_FALSE(entry->show_config_popup(preset, nullptr));
        EXPECT_TRUE(preset == original);
    }
    g_publish = {bypass, changed};  // the last edit wins
    EXPECT_TRUE(entry->show_config_popup(preset, nullptr));
    t_dsp_halvane_params read = t_dsp_halvane_params::g_default();
    ASSERT_TRUE(read.set_data(preset));
    EXPECT_EQ(read.m_config.dwMode, 1u);
    EXPECT_EQ(read.m_config.nTrimL, 3);
    halvane_register_config_popup(nullptr);
}

TEST(ConfigPopup, StoredTabOutside0To5OpensTheFirstTab) {
    for (auto [stored, opened] : {std::pair{0, 0}, {5, 5}, {-1, 0}, {6, 0}, {INT32_MIN, 0}}) {
        cfg_halvane_tab = stored;
        EXPECT_EQ(halvane_tab_to_open(), opened) << stored;
    }
    cfg_halvane_tab = 0;
}

// What the dialog library gets back into the module: each entry of the table moves the
// module's own word, and the status service reads the words the engine side wrote.
TEST(ConfigPopup, DialogLinkReachesTheEngineWordsTheTabAndTheStatus) {
    const halvane_dialog_link& link = halvane_module_dialog_link();
    ASSERT_EQ(link.size, sizeof(halvane_dialog_link));
    g_bSignalReset = 0, g_bSignalRecalc = 0;
    link.signal_reset();
    EXPECT_EQ(g_bSignalReset.load(), 1);
    EXPECT_EQ(g_bSignalRecalc.load(), 0);
    link.signal_recalc();
    EXPECT_EQ(g_bSignalRecalc.load(), 1);
    g_bSignalReset = 0, g_bSignalRecalc = 0;

    link.store_tab(4);
    EXPECT_EQ(int(cfg_halvane_tab), 4);
    EXPECT_EQ(link.tab_to_open(), 4);
    link.store_tab(9);  // a value the dialog never writes still opens the first tab
    EXPECT_EQ(link.tab_to_open(), 0);
    cfg_halvane_tab = 0;

    halvane_status* status = link.status();
    ASSERT_NE(status, nullptr);
    g_dwChannels = 6, g_bIsPlaying = 1;
    EXPECT_EQ(status->GetChannels(), 6u);
    EXPECT_TRUE(status->IsPlaying());
    g_dwChannels = 0, g_bIsPlaying = 0;
    EXPECT_EQ(status->GetChannels(), 0u);
    EXPECT_FALSE(status->IsPlaying());
}
