// Opening, OK, Cancel, Escape, the close box, Defaults and the remembered tab.
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

// A record with every word away from its default (and inside its range).
HVLIB_CONFIG Unusual() {
    HVLIB_CONFIG c{};
    c.dwMode = 4;
    c.nMasterGain = -3;
    c.dwSurroundMode = 0;
    c.dwCentreWeight = 40;
    c.dwSurroundDelayMusic = 12;
    c.dwSurroundDelayMovie = 30;
    c.bMusicSurroundShelf = 1;
    c.dwHeadphonesMode = 1;
    c.bHeadphonesDecodeMusic = 0;
    c.bHeadphonesDecodeMovie = 0;
    c.uOperations = 0;
    c.dwDelayL = 1, c.dwDelayR = 2, c.dwDelayC = 3, c.dwDelaySub = 4, c.dwDelaySL = 5, c.dwDelaySR = 6;
    c.nTrimL = -1, c.nTrimR = -2, c.nTrimC = 3, c.nTrimSub = 4, c.nTrimSL = -5, c.nTrimSR = 6;
    c.bLFERedir = 1;
    c.bLFEInvert = 1;
    c.dwLFECutoff = 150;
    c.bSSE2 = 0;
    c.bCUDA = 1;
    return c;
}

// Makes a batch of edits on several tabs.
void EditMany(foo_dsp_halvane::ConfigDlg& d) {
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

TEST_F(DialogTest, OpeningLoadsTheRecordSignalsResetAndPublishesNothing) {
    const HVLIB_CONFIG c = Unusual();
    auto& d = Open(c);
    EXPECT_TRUE(callback.published.empty());
    EXPECT_EQ(g_bSignalReset.load(), 1);
    EXPECT_EQ(g_bSignalRecalc.load(), 1);  // several boxes left their initial values
    EXPECT_EQ(BlobOf(Params()), BlobOf(c));
    EXPECT_EQ(d.comboBoxDecoding->currentIndex(), 4);
    EXPECT_TRUE(d.linkLabelConfigure->isHidden());
    EXPECT_EQ(d.numMasterGain->value(), -3);
    EXPECT_TRUE(d.radioButtonSurroundMovie->isChecked());
    EXPECT_TRUE(d.radioButtonHeadphonesMovie->isChecked());
    EXPECT_EQ(d.numCentreWeight->value(), 40);
    EXPECT_EQ(d.numSurroundDelayMusic->value(), 12);
    EXPECT_EQ(d.numSurroundDelayMovie->value(), 30);
    EXPECT_TRUE(d.checkBoxMusicSurroundShelf->isChecked());
    EXPECT_FALSE(d.checkBoxHeadphonesDecodeMusic->isChecked());
    EXPECT_EQ(d.numDelaySR->value(), 6);
    EXPECT_EQ(d.numTrimSL->value(), -5);
    EXPECT_TRUE(d.checkBoxLFEInvert->isChecked());
    EXPECT_TRUE(d.checkBoxLFEInvert->isEnabled());
    EXPECT_EQ(d.numLFECutoff->value(), 150);
    EXPECT_FALSE(d.checkBoxSSE2->isChecked());
    EXPECT_TRUE(d.checkBoxCUDA->isChecked());
}

TEST_F(DialogTest, OpeningWithBoxesAtTheirInitialValuesRaisesNoRecalc) {
    // Every spin box starts at its minimum (gain and trims at 0): loading those values
    // changes no box, so only the mode list signals.
    HVLIB_CONFIG c{};
    c.dwMode = 0;
    c.dwCentreWeight = 0;
    c.dwSurroundDelayMovie = 10;
    c.dwLFECutoff = 20;
    Open(c);
    EXPECT_EQ(g_bSignalReset.load(), 1);  // even Bypass is a change of selection
    EXPECT_EQ(g_bSignalRecalc.load(), 0);
    EXPECT_TRUE(callback.published.empty());
}

TEST_F(DialogTest, ForeignPresetLeavesTheWorkingRecordAlone) {
    HVLIB_CONFIG mine = Unusual();
    foo_dsp_halvane::m_params.m_config = mine;
    HVLIB_CONFIG other{};
    other.dwMode = 0;
    const GUID stranger = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    dsp_preset_impl foreign = PresetOf(other, stranger);
    foo_dsp_halvane::ConfigDlg d(foreign, callback);
    EXPECT_EQ(BlobOf(Params()), BlobOf(mine));
    EXPECT_EQ(d.comboBoxDecoding->currentIndex(), 4);
    EXPECT_TRUE(callback.published.empty());
}

TEST_F(DialogTest, CancelAfterManyChangesRepublishesTheOpeningPreset) {
    const HVLIB_CONFIG c = Unusual();
    auto& d = Open(c);
    d.show();
    EditMany(d);
    ASSERT_GT(callback.published.size(), 5u);
    ASSERT_NE(BlobOf(Params()), BlobOf(c));
    QTest::mouseClick(d.buttonCancel, Qt::LeftButton);
    EXPECT_EQ(LastPublished(), BytesOf(opening));
    EXPECT_EQ(BlobOf(Params()), BlobOf(c));
    EXPECT_EQ(d.numCentreWeight->value(), 40);  // the form shows the restored record
    EXPECT_FALSE(d.isVisible());
}

TEST_F(DialogTest, EscapeActsAsCancel) {
    auto& d = Open(Unusual());
    d.show();
    EditMany(d);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(LastPublished(), BytesOf(opening));
    EXPECT_EQ(BlobOf(Params()), BytesOf(opening));
    EXPECT_FALSE(d.isVisible());
}

TEST_F(DialogTest, CloseBoxRestoresAndOnlyHides) {
    auto& d = Open(Unusual());
    d.show();
    EditMany(d);
    EXPECT_FALSE(d.close());  // the close is refused; the dialog hides instead
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(LastPublished(), BytesOf(opening));
    EXPECT_EQ(BlobOf(Params()), BytesOf(opening));
}

TEST_F(DialogTest, OkKeepsTheLastEditAndClosingAfterwardsRestoresNothing) {
    auto& d = Open(Unusual());
    d.show();
    EditMany(d);
    const Bytes edited = BlobOf(Params());
    QTest::mouseClick(d.buttonOK, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(LastPublished(), edited);
    EXPECT_FALSE(d.CancelMode());
    const size_t n = callback.published.size();
    d.ConfigDlg_FormClosing();  // a closing event after OK only re-arms the cancel mode
    EXPECT_EQ(callback.published.size(), n);
    EXPECT_TRUE(d.CancelMode());
}

TEST_F(DialogTest, EnterPressesOk) {
    auto& d = Open(Unusual());
    d.show();
    d.numDelayR->setValue(9);
    const Bytes edited = BlobOf(Params());
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(LastPublished(), edited);
    EXPECT_FALSE(d.CancelMode());
}

TEST_F(DialogTest, WindowWrapperKeepsTheHandleAndToleratesForeignIds) {
    int anchor = 0;
    foo_dsp_halvane::WindowWrapper none(nullptr), some(&anchor);
    EXPECT_EQ(none.Handle(), nullptr);
    EXPECT_EQ(some.Handle(), &anchor);
    auto& d = Open(HVLIB_CONFIG{});
    none.Own(d);
    some.Own(d);  // not a window of this display: the dialog simply has no owner
    d.show();
    EXPECT_TRUE(d.isVisible());
    d.buttonCancel_Click();
}

TEST_F(DialogTest, OkWithoutChangesPublishesTheOpeningPresetOnce) {
    HVLIB_CONFIG c = Unusual();
    c.bSSE2 = 1;
    auto& d = Open(c);
    d.buttonOK_Click();
    ASSERT_EQ(callback.published.size(), 1u);
    EXPECT_EQ(LastPublished(), BytesOf(opening));
}

TEST_F(DialogTest, OkWithoutGpuClearsOnlyTheCudaWord) {
    CHVLib::m_bCUDASupport = 0;
    HVLIB_CONFIG c = Unusual();
    auto& d = Open(c);
    d.buttonOK_Click();
    ASSERT_EQ(callback.published.size(), 1u);
    c.bCUDA = 0;
    EXPECT_EQ(LastPublished(), BlobOf(c));
}

TEST_F(DialogTest, DefaultsAnsweredNoChangesNothing) {
    auto& d = Open(Unusual());
    ClearSignals();
    answer = false;
    d.buttonDefaults->click();
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(lastQuestion, "Are you sure you want to load all default values?");
    EXPECT_EQ(lastCaption, "Halvane");
    EXPECT_TRUE(callback.published.empty());
    EXPECT_EQ(BlobOf(Params()), BlobOf(Unusual()));
    EXPECT_EQ(g_bSignalReset.load(), 0);
    EXPECT_EQ(g_bSignalRecalc.load(), 0);
}

TEST_F(DialogTest, DefaultsAnsweredYesRestoresAndPublishes) {
    HVLIB_CONFIG c = Unusual();
    c.uOperations = 0xDEADBEEF;  // reserved: defaults leave it alone
    foo_dsp_halvane::m_params.m_config = c;
    auto& d = Open(c);
    ClearSignals();
    answer = true;
    d.buttonDefaults_Click();
    // The default record, word by word.
    const uint32_t want[kHVConfigWords] = {2, 0, 1, 100, 0, 10, 0, 0, 1, 1, 0xDEADBEEF, 0, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 120, 1, 1};
    for (int w = 0; w < kHVConfigWords; ++w) {
        EXPECT_EQ(HVConfigWord(Params(), w), want[w]) << kHVConfigFieldNames[w];
        EXPECT_EQ(WordOf(LastPublished(), w), want[w]) << kHVConfigFieldNames[w];
    }
    EXPECT_FALSE(d.checkBoxMusicSurroundShelf->isChecked());
    EXPECT_EQ(d.comboBoxDecoding->currentIndex(), 2);
    EXPECT_EQ(g_bSignalReset.load(), 1);   // the mode changed
    EXPECT_EQ(g_bSignalRecalc.load(), 1);  // so did numeric settings
}

TEST_F(DialogTest, DefaultsWithoutCapabilitiesPublishThemOff) {
    CHVLib::m_bSSE2Support = 0;
    CHVLib::m_bCUDASupport = 0;
    auto& d = Open(HVLIB_CONFIG{});
    answer = true;
    d.buttonDefaults_Click();
    EXPECT_EQ(WordOf(LastPublished(), 26), 0u);
    EXPECT_EQ(WordOf(LastPublished(), 27), 0u);
}

TEST_F(DialogTest, CapabilityLabelsAndBoxes) {
    struct Case {
        int sse2, cuda;
    };
    for (Case k : {Case{1, 1}, Case{1, 0}, Case{0, 1}, Case{0, 0}}) {
        CHVLib::m_bSSE2Support = k.sse2;
        CHVLib::m_bCUDASupport = k.cuda;
        foo_dsp_halvane::m_params.m_config = HVLIB_CONFIG{};
        auto& d = Open(HVLIB_CONFIG{});  // the record asks for both
        EXPECT_EQ(d.labelSSE2->text(), k.sse2 ? "SSE2 is supported" : "No SSE2 support");
        EXPECT_EQ(d.labelCUDA->text(), k.cuda ? "CUDA is supported" : "No CUDA support");
        EXPECT_EQ(d.checkBoxSSE2->isEnabled(), k.sse2 != 0);
        EXPECT_EQ(d.checkBoxSSE2->isChecked(), k.sse2 != 0);
        EXPECT_EQ(d.checkBoxCUDA->isEnabled(), k.cuda != 0);
        EXPECT_EQ(d.checkBoxCUDA->isChecked(), k.cuda != 0);
        EXPECT_EQ(Params().bSSE2, static_cast<uint32_t>(k.sse2));
        EXPECT_EQ(Params().bCUDA, static_cast<uint32_t>(k.cuda));
    }
}

TEST_F(DialogTest, SelectedTabIsRememberedAcrossOpenings) {
    {
        auto& d = Open(HVLIB_CONFIG{});
        EXPECT_EQ(d.tabControl->currentIndex(), 0);
        d.tabControl->setCurrentWidget(d.tabPageRoom);
        EXPECT_EQ(static_cast<int>(cfg_halvane_tab), 3);
        d.buttonCancel_Click();
    }
    auto& again = Open(HVLIB_CONFIG{});
    EXPECT_EQ(again.tabControl->currentIndex(), 3);
}

TEST_F(DialogTest, StoredTabOutsideTheRangeOpensTheFirstTab) {
    for (int stored : {6, 9, -1, 0x7FFFFFFF}) {
        cfg_halvane_tab = stored;
        auto& d = Open(HVLIB_CONFIG{});
        EXPECT_EQ(d.tabControl->currentIndex(), 0) << stored;
    }
    cfg_halvane_tab = 5;
    EXPECT_EQ(Open(HVLIB_CONFIG{}).tabControl->currentIndex(), 5);
}

}  // namespace
}  // namespace hv_dialog_test
