// The module's configuration popup: the real dialog reached through the DSP entry, run modally.
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

TEST_F(DialogTest, PopupShowsNothingForAForeignOrShortPreset) {
    const dsp_preset_impl foreign = PresetOf(HVLIB_CONFIG{}, GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
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

// The entry's older form runs the real dialog modally and keeps what it last published:
// Cancel republishes the opening preset, so only OK after a change reports a change.
TEST_F(DialogTest, PopupRunsModallyCancelRestoresOkChanges) {
    service_impl_single_t<dsp_entry_v2_impl_t<dsp_halvane, dsp_entry_v2>> entry;
    dsp_preset_impl preset = PresetOf(HVLIB_CONFIG{});
    const Bytes before = BytesOf(preset);
    for (bool ok : {false, true}) {
        WhenModal([ok](foo_dsp_halvane::ConfigDlg* d) {
            if (!d) return;
            d->numTrimC->setValue(-3);
            ok ? d->buttonOK_Click() : d->buttonCancel_Click();
        });
        EXPECT_EQ(entry.show_config_popup(preset, nullptr), ok);
        EXPECT_EQ(WordOf(BytesOf(preset), 19), ok ? -3 : 0);
        EXPECT_EQ(BytesOf(preset) == before, !ok);
    }
}

}  // namespace
}  // namespace hv_dialog_test
