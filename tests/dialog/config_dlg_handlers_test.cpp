// Each control of the dialog: its range, the record word it stores, the preset it publishes
// and the engine signal it raises.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>

#include "DialogFixture.h"

namespace hv_dialog_test {
namespace {

using Dlg = foo_dsp_halvane::ConfigDlg;

// The words in which two blobs differ.
std::vector<int> DiffWords(const Bytes& a, const Bytes& b) {
    std::vector<int> words;
    for (int w = 0; w < kHVConfigWords; ++w)
        if (WordOf(a, w) != WordOf(b, w)) words.push_back(w);
    return words;
}

// Every spin box, its word and the range a preset can hold after reading (worked out from
// the repair rules of preset reading, word by word), and a value to set.
TEST_F(DialogTest, SpinBoxesHaveThePresetRangesAndEachStoresPublishesOneWordWithRecalc) {
    const struct {
        QSpinBox* Dlg::*box;
        const char* name;
        int word, lo, hi, set;
    } cases[] = {
        {&Dlg::numMasterGain, "numMasterGain", 1, -6, 6, -4},
        {&Dlg::numCentreWeight, "numCentreWeight", 3, 0, 100, 37},
        {&Dlg::numSurroundDelayMusic, "numSurroundDelayMusic", 4, 0, 100, 25},
        {&Dlg::numSurroundDelayMovie, "numSurroundDelayMovie", 5, 10, 100, 55},
        {&Dlg::numDelayL, "numDelayL", 11, 0, 100, 1},
        {&Dlg::numDelayR, "numDelayR", 12, 0, 100, 2},
        {&Dlg::numDelayC, "numDelayC", 13, 0, 100, 3},
        {&Dlg::numDelaySub, "numDelaySub", 14, 0, 100, 4},
        {&Dlg::numDelaySL, "numDelaySL", 15, 0, 100, 99},
        {&Dlg::numDelaySR, "numDelaySR", 16, 0, 100, 100},
        {&Dlg::numTrimL, "numTrimL", 17, -12, 12, -12},
        {&Dlg::numTrimR, "numTrimR", 18, -12, 12, 12},
        {&Dlg::numTrimC, "numTrimC", 19, -12, 12, -1},
        {&Dlg::numTrimSub, "numTrimSub", 20, -12, 12, 5},
        {&Dlg::numTrimSL, "numTrimSL", 21, -12, 12, -7},
        {&Dlg::numTrimSR, "numTrimSR", 22, -12, 12, 9},
        {&Dlg::numLFECutoff, "numLFECutoff", 25, 20, 200, 80},
    };
    auto& d = Open(HVLIB_CONFIG{});
    Bytes previous = BlobOf(Params());
    for (const auto& c : cases) {
        QSpinBox* box = d.*c.box;
        EXPECT_EQ(box->minimum(), c.lo) << c.name;
        EXPECT_EQ(box->maximum(), c.hi) << c.name;
        EXPECT_EQ(box->singleStep(), 1) << c.name;
        ClearSignals();
        const size_t published = callback.published.size();
        box->setValue(c.set);
        ASSERT_EQ(callback.published.size(), published + 1) << c.name;
        EXPECT_EQ(static_cast<int32_t>(HVConfigWord(Params(), c.word)), c.set) << c.name;
        EXPECT_EQ(DiffWords(previous, LastPublished()), std::vector<int>{c.word}) << c.name;
        EXPECT_EQ(WordOf(LastPublished(), c.word), c.set) << c.name;
        ExpectSignals(0, 1, c.name);
        previous = LastPublished();
    }
    EXPECT_TRUE(callback.ownersOk);
}

TEST_F(DialogTest, EachCheckBoxStoresOneOrZeroInItsWordOnlyAndRedirectionEnablesItsControls) {
    const struct {
        QCheckBox* Dlg::*box;
        const char* name;
        int word, recalc;
    } cases[] = {
        {&Dlg::checkBoxMusicSurroundShelf, "checkBoxMusicSurroundShelf", 6, 0},
        {&Dlg::checkBoxHeadphonesDecodeMusic, "checkBoxHeadphonesDecodeMusic", 8, 0},
        {&Dlg::checkBoxHeadphonesDecodeMovie, "checkBoxHeadphonesDecodeMovie", 9, 0},
        {&Dlg::checkBoxLFERedir, "checkBoxLFERedir", 23, 0},
        {&Dlg::checkBoxLFEInvert, "checkBoxLFEInvert", 24, 1},
        {&Dlg::checkBoxSSE2, "checkBoxSSE2", 26, 0},
        {&Dlg::checkBoxCUDA, "checkBoxCUDA", 27, 0},
    };
    HVLIB_CONFIG cfg{};
    cfg.bLFERedir = 1;  // off then on again before "Invert phase", which needs it
    auto& d = Open(cfg);
    for (const auto& c : cases) {
        for (int round = 0; round < 2; ++round) {
            ClearSignals();
            const Bytes previous = BlobOf(Params());
            const bool want = !(d.*c.box)->isChecked();
            (d.*c.box)->setChecked(want);
            EXPECT_EQ(HVConfigWord(Params(), c.word), want ? 1u : 0u) << c.name;
            EXPECT_EQ(DiffWords(previous, LastPublished()), std::vector<int>{c.word}) << c.name;
            ExpectSignals(0, c.recalc, c.name);
            if (c.word == 23) {  // bass redirection enables its cutoff and the inversion
                EXPECT_EQ(d.numLFECutoff->isEnabled(), want);
                EXPECT_EQ(d.checkBoxLFEInvert->isEnabled(), want);
            }
        }
    }
}

TEST_F(DialogTest, ModeListStoresIndexSignalsResetAndLinksToTheActiveDecodersTab) {
    const char* const texts[5] = {"Bypass", "Passive decoding (3/1) = L,R,C,S", "Halvane-HV (3/2) = L,R,C,SL,SR",
                                  "Halvane Headphone (2/0) = L,R", "Halvane Encoder (2/0) = L,R"};
    const int linkTab[5] = {-1, -1, 1, 2, -1};  // Surround, Headphones; -1: the link is hidden
    auto& d = Open(HVLIB_CONFIG{});
    ASSERT_EQ(d.comboBoxDecoding->count(), 5);
    EXPECT_FALSE(d.comboBoxDecoding->isEditable());
    for (int mode : {0, 3, 1, 4, 2}) {
        EXPECT_EQ(d.comboBoxDecoding->itemText(mode), texts[mode]);
        ClearSignals();
        d.tabControl->setCurrentIndex(0);
        d.comboBoxDecoding->setCurrentIndex(mode);
        EXPECT_EQ(Params().dwMode, static_cast<uint32_t>(mode));
        EXPECT_EQ(WordOf(LastPublished(), 0), mode);
        ExpectSignals(1, 0, "comboBoxDecoding");
        EXPECT_EQ(d.linkLabelConfigure->isHidden(), linkTab[mode] < 0) << mode;
        emit d.linkLabelConfigure->linkActivated(QStringLiteral("#"));  // does nothing if hidden
        EXPECT_EQ(d.tabControl->currentIndex(), std::max(linkTab[mode], 0)) << mode;
    }
    for (QLabel* flavourLink : {d.linkLabelConfigMusic, d.linkLabelConfigMovie}) {
        d.tabControl->setCurrentIndex(0);
        emit flavourLink->linkActivated(QStringLiteral("#"));
        EXPECT_EQ(d.tabControl->currentIndex(), 1);
    }
}

TEST_F(DialogTest, RadioPairsStoreTheirFlavourInTheirWordOnly) {
    auto& d = Open(HVLIB_CONFIG{});  // Music on both tabs
    const struct {
        QRadioButton *button, *partner;
        int word, value;
    } cases[] = {
        {d.radioButtonSurroundMovie, d.radioButtonSurroundMusic, 2, 0},
        {d.radioButtonHeadphonesMovie, d.radioButtonHeadphonesMusic, 7, 1},
        {d.radioButtonSurroundMusic, d.radioButtonSurroundMovie, 2, 1},
        {d.radioButtonHeadphonesMusic, d.radioButtonHeadphonesMovie, 7, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.partner->isChecked());
        ClearSignals();
        const Bytes previous = BlobOf(Params());
        const size_t n = callback.published.size();
        c.button->setChecked(true);
        EXPECT_FALSE(c.partner->isChecked());
        EXPECT_EQ(callback.published.size(), n + 2);  // both buttons of the pair change and publish
        EXPECT_EQ(DiffWords(previous, LastPublished()), std::vector<int>{c.word});
        EXPECT_EQ(WordOf(LastPublished(), c.word), c.value);
        ExpectSignals(0, 0, "radio buttons");
    }
}

}  // namespace
}  // namespace hv_dialog_test
