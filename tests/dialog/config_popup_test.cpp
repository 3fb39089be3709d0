// The module's configuration popup: the dialog reached through the DSP entry, run modally.
#include <QApplication>
#include <QSpinBox>
#include <QTimer>

#include "DialogFixture.h"
#include "host/dsp_halvane.h"

namespace hv_dialog_test {
namespace {

// Once the modal dialog runs, `act` gets it (or null when none is showing).
void WhenModal(std::function<void(foo_dsp_halvane::ConfigDlg*)> act) {
    QTimer::singleShot(0, [act] {
        act(dynamic_cast<foo_dsp_halvane::ConfigDlg*>(QApplication::activeModalWidget()));
    });
}

using Entry = service_impl_single_t<dsp_entry_v2_impl_t<dsp_halvane, dsp_entry_v2>>;

TEST_F(DialogTest, PopupRunsModallyAndCancelRestores) {
    HVLIB_CONFIG c = t_dsp_halvane_params::g_default().m_config;
    c.dwDelayL = 7;
    opening = PresetOf(c);
    bool sawDialog = false;
    WhenModal([&](foo_dsp_halvane::ConfigDlg* d) {
        sawDialog = d != nullptr;
        if (!d) return;
        d->numDelayL->setValue(8);
        d->buttonCancel_Click();
    });
    dsp_halvane::g_show_config_popup(opening, nullptr, callback);
    ASSERT_TRUE(sawDialog);
    ASSERT_EQ(callback.published.size(), 2u);
    EXPECT_EQ(WordOf(callback.published[0], 11), 8u);
    EXPECT_EQ(LastPublished(), BytesOf(opening));
}

TEST_F(DialogTest, PopupShowsNothingForAForeignPreset) {
    const GUID stranger = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    dsp_preset_impl foreign = PresetOf(t_dsp_halvane_params::g_default().m_config, stranger);
    dsp_preset_impl shortOne;
    shortOne.set_owner(HALVANE_GUID);
    shortOne.set_data(BlobOf(HVLIB_CONFIG{}).data(), 100);
    for (const dsp_preset* p : {static_cast<const dsp_preset*>(&foreign), static_cast<const dsp_preset*>(&shortOne)}) {
        bool sawDialog = false;
        WhenModal([&](foo_dsp_halvane::ConfigDlg* d) {
            sawDialog = d != nullptr;
            if (d) d->buttonCancel_Click();
        });
        dsp_halvane::g_show_config_popup(*p, nullptr, callback);
        QApplication::processEvents();  // let the probe run even though no dialog ran
        EXPECT_FALSE(sawDialog);
    }
    EXPECT_TRUE(callback.published.empty());
}

TEST_F(DialogTest, OlderPopupFormReportsWhetherThePresetChanged) {
    Entry entry;
    dsp_preset_impl preset = PresetOf(t_dsp_halvane_params::g_default().m_config);
    const Bytes before = BytesOf(preset);

    WhenModal([](foo_dsp_halvane::ConfigDlg* d) {
        if (!d) return;
        d->numTrimC->setValue(-3);
        d->buttonCancel_Click();
    });
    EXPECT_FALSE(entry.show_config_popup(preset, nullptr));
    EXPECT_EQ(BytesOf(preset), before);

    WhenModal([](foo_dsp_halvane::ConfigDlg* d) {
        if (!d) return;
        d->numTrimC->setValue(-3);
        d->buttonOK_Click();
    });
    EXPECT_TRUE(entry.show_config_popup(preset, nullptr));
    EXPECT_EQ(static_cast<int32_t>(WordOf(BytesOf(preset), 19)), -3);
}

}  // namespace
}  // namespace hv_dialog_test
