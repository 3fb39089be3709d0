// Opening, OK, Cancel, Escape, the close box, Defaults, the capabilities and the remembered tab.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "DialogFixture.h"
#include "dialog/WindowWrapper.h"

namespace hv_dialog_test {
namespace {

using Dlg = foo_dsp_halvane::ConfigDlg;

// A record with every word away from its default (and inside its range).
HVLIB_CONFIG Unusual() {
    HVLIB_CONFIG c{};
    c.dwMode = 4, c.nMasterGain = -3, c.dwSurroundMode = 0, c.dwCentreWeight = 40;
    c.dwSurroundDelayMusic = 12, c.dwSurroundDelayMovie = 30, c.bMusicSurroundShelf = 1;
    c.dwHeadphonesMode = 1, c.bHeadphonesDecodeMusic = 0, c.bHeadphonesDecodeMovie = 0;
    c.dwDelayL = 1, c.dwDelayR = 2, c.dwDelayC = 3, c.dwDelaySub = 4, c.dwDelaySL = 5, c.dwDelaySR = 6;
    c.nTrimL = -1, c.nTrimR = -2, c.nTrimC = 3, c.nTrimSub = 4, c.nTrimSL = -5, c.nTrimSR = 6;
    c.bLFERedir = 1, c.bLFEInvert = 1, c.dwLFECutoff = 150, c.bSSE2 = 0, c.bCUDA = 1;
    return c;
}

// Makes a batch of edits on several tabs.
void EditMany(Dlg& d) {
    d.comboBoxDecoding->setCurrentIndex(1);
    d.numMasterGain->setValue(5);
    d.radioButtonSurroundMusic->setChecked(true);
    d.numCentreWeight->setValue(77);
    d.numDelayC->setValue(50);
    d.numTrimSR->setValue(-11);
    d.checkBoxLFERedir->setChecked(false);
    d.checkBoxHeadphonesDecodeMovie->setChecked(true);
    d.checkBoxCUDA->setChecked(false);
}

TEST_F(DialogTest, WindowTitleTabsAndButtons) {
    auto& d = Open(HVLIB_CONFIG{});
    EXPECT_EQ(d.windowTitle(), "Halvane Configuration");
    const char* const tabs[6] = {"Main", "Surround", "Headphones", "Room", "System", "About"};
    ASSERT_EQ(d.tabControl->count(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d.tabControl->tabText(i), tabs[i]);
    EXPECT_EQ(d.buttonDefaults->text(), "Default");
    EXPECT_EQ(d.buttonOK->text(), "OK");
    EXPECT_EQ(d.buttonCancel->text(), "Cancel");
    EXPECT_TRUE(d.buttonOK->isDefault());
    EXPECT_EQ(d.labelDesc->text(), "Corvell Halvane for foobar2000 v1.02");
    EXPECT_TRUE(d.labelBuilt->text().startsWith("Built on: "));
    EXPECT_EQ(d.pictureBoxLogo->pixmap().size(), QSize(36, 36));
    EXPECT_FALSE(d.windowIcon().isNull());
}

TEST_F(DialogTest, OpeningLoadsTheRecordSignalsAndPublishesNothing) {
    const HVLIB_CONFIG c = Unusual();
    auto& d = Open(c);
    EXPECT_TRUE(callback.published.empty());
    ExpectSignals(1, 1, "unusual record");  // several boxes left their initial values
    EXPECT_EQ(BlobOf(Params()), BlobOf(c));
    EXPECT_EQ(d.comboBoxDecoding->currentIndex(), 4);
    EXPECT_TRUE(d.linkLabelConfigure->isHidden());
    EXPECT_EQ(d.numMasterGain->value(), -3);
    EXPECT_TRUE(d.radioButtonSurroundMovie->isChecked());
    EXPECT_TRUE(d.radioButtonHeadphonesMovie->isChecked());
    EXPECT_EQ(d.numTrimSL->value(), -5);
    EXPECT_TRUE(d.checkBoxLFEInvert->isEnabled());

    // Every spin box starts at its minimum (gain and trims at 0): loading those values changes
    // no box, so only the mode list signals (even Bypass is a change of selection).
    HVLIB_CONFIG initial{};
    initial.dwMode = 0;
    initial.dwCentreWeight = 0;
    initial.dwLFECutoff = 20;
    ClearSignals();
    Open(initial);
    ExpectSignals(1, 0, "record at the initial values");

    // A preset of another DSP leaves the working record alone.
    foo_dsp_halvane::m_params.m_config = c;
    const dsp_preset_impl foreign = PresetOf(HVLIB_CONFIG{}, GUID{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}});
    Dlg other(foreign, callback);
    EXPECT_EQ(BlobOf(Params()), BlobOf(c));
    EXPECT_EQ(other.comboBoxDecoding->currentIndex(), 4);
    EXPECT_TRUE(callback.published.empty());
}

// Cancel, Escape and the close box republish the opening preset; OK and Enter keep the last
// edit, or publish the opening record once when nothing changed (less CUDA without a GPU).
TEST_F(DialogTest, EachWayOfLeavingPublishesTheRightPreset) {
    const auto ok = [](Dlg& d) { QTest::mouseClick(d.buttonOK, Qt::LeftButton); };
    const struct {
        const char* name;
        bool edit, gpu, keep;
        void (*leave)(Dlg&);
    } ways[] = {
        {"Cancel", true, true, false, [](Dlg& d) { QTest::mouseClick(d.buttonCancel, Qt::LeftButton); }},
        {"Escape", true, true, false, [](Dlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", true, true, false, [](Dlg& d) { EXPECT_FALSE(d.close()); }},  // refused: hides instead
        {"OK", true, true, true, ok},
        {"Enter", true, true, true, [](Dlg& d) { QTest::keyClick(&d, Qt::Key_Return); }},
        {"OK unchanged", false, true, true, ok},
        {"OK unchanged without GPU", false, false, true, ok},
    };
    for (const auto& w : ways) {
        g_engine.cuda = w.gpu;
        callback.published.clear();
        HVLIB_CONFIG c = Unusual();
        auto& d = Open(c);
        d.show();
        if (w.edit) EditMany(d);
        c.bCUDA = w.gpu;
        const Bytes want = !w.keep ? BytesOf(opening) : w.edit ? BlobOf(Params()) : BlobOf(c);
        w.leave(d);
        EXPECT_FALSE(d.isVisible()) << w.name;
        EXPECT_EQ(LastPublished(), want) << w.name;
        EXPECT_EQ(callback.published.size() == 1, !w.edit) << w.name;
        EXPECT_EQ(BlobOf(Params()), LastPublished()) << w.name;
        EXPECT_EQ(d.numCentreWeight->value(), w.keep && w.edit ? 77 : 40) << w.name;  // the form agrees
        EXPECT_EQ(d.CancelMode(), !w.keep) << w.name;
        if (w.keep) {
            const size_t n = callback.published.size();
            d.ConfigDlg_FormClosing();  // a closing event after OK only re-arms the cancel mode
            EXPECT_EQ(callback.published.size(), n) << w.name;
            EXPECT_TRUE(d.CancelMode()) << w.name;
        }
    }
}

TEST_F(DialogTest, DefaultsAnsweredNoChangesNothingYesRestoresAndPublishes) {
    HVLIB_CONFIG c = Unusual();
    c.uOperations = 0xDEADBEEF;  // reserved: defaults leave it alone
    foo_dsp_halvane::m_params.m_config = c;
    auto& d = Open(c);
    ClearSignals();
    d.buttonDefaults->click();
    EXPECT_EQ(questions, std::vector<QString>{"Halvane: Are you sure you want to load all default values?"});
    EXPECT_TRUE(callback.published.empty());
    EXPECT_EQ(BlobOf(Params()), BlobOf(c));
    ExpectSignals(0, 0, "answered No");

    answer = true;
    d.buttonDefaults->click();
    // The default record, word by word.
    const uint32_t want[kHVConfigWords] = {2, 0, 1, 100, 0, 10, 0, 0, 1, 1, 0xDEADBEEF, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 120, 1, 1};
    for (int w = 0; w < kHVConfigWords; ++w) {
        EXPECT_EQ(HVConfigWord(Params(), w), want[w]) << kHVConfigFieldNames[w];
        EXPECT_EQ(uint32_t(WordOf(LastPublished(), w)), want[w]) << kHVConfigFieldNames[w];
    }
    EXPECT_FALSE(d.checkBoxMusicSurroundShelf->isChecked());
    EXPECT_EQ(d.comboBoxDecoding->currentIndex(), 2);
    ExpectSignals(1, 1, "answered Yes");  // the mode changed, and so did numeric settings
}

TEST_F(DialogTest, MissingCapabilitiesDisableUncheckAndClearTheirBoxes) {
    answer = true;
    for (int caps = 0; caps < 4; ++caps) {
        const int sse2 = caps & 1, cuda = caps >> 1;
        g_engine.sse2 = sse2;
        g_engine.cuda = cuda;
        auto& d = Open(HVLIB_CONFIG{});  // the record asks for both
        EXPECT_EQ(d.labelSSE2->text(), sse2 ? "SSE2 is supported" : "No SSE2 support");
        EXPECT_EQ(d.labelCUDA->text(), cuda ? "CUDA is supported" : "No CUDA support");
        EXPECT_EQ(d.checkBoxSSE2->isEnabled() + 2 * d.checkBoxCUDA->isEnabled(), caps) << caps;
        EXPECT_EQ(d.checkBoxSSE2->isChecked() + 2 * d.checkBoxCUDA->isChecked(), caps) << caps;
        EXPECT_EQ(Params().bSSE2 + 2 * Params().bCUDA, uint32_t(caps)) << caps;
        d.buttonDefaults_Click();  // defaults ask for both; what is missing stays off
        EXPECT_EQ(WordOf(LastPublished(), 26) + 2 * WordOf(LastPublished(), 27), caps) << caps;
    }
}

TEST_F(DialogTest, SelectedTabIsRememberedAcrossOpenings) {
    auto& d = Open(HVLIB_CONFIG{});
    EXPECT_EQ(d.tabControl->currentIndex(), 0);
    d.tabControl->setCurrentWidget(d.tabPageRoom);
    EXPECT_EQ(static_cast<int>(cfg_halvane_tab), 3);
    d.buttonCancel_Click();
    EXPECT_EQ(Open(HVLIB_CONFIG{}).tabControl->currentIndex(), 3);
    cfg_halvane_tab = 6;  // out of range: the first tab
    EXPECT_EQ(Open(HVLIB_CONFIG{}).tabControl->currentIndex(), 0);
}

TEST_F(DialogTest, WindowWrapperToleratesNoParentAndForeignIds) {
    int anchor = 0;
    foo_dsp_halvane::WindowWrapper none(nullptr), some(&anchor);
    auto& d = Open(HVLIB_CONFIG{});
    none.Own(d);
    some.Own(d);  // not a window of this display: the dialog simply has no owner
    d.show();
    EXPECT_TRUE(d.isVisible());
}

}  // namespace
}  // namespace hv_dialog_test
