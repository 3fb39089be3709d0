// Each control of the dialog: its range, the record word it stores, the preset it publishes
// and the engine signal it raises.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "DialogFixture.h"

namespace hv_dialog_test {
namespace {

enum class Signal { None, Reset, Recalc };

struct SpinCase {
    const char* name;
    QSpinBox* foo_dsp_halvane::ConfigDlg::*box;
    int word;
    int lo, hi;  // the range a preset can hold after reading
    int newValue;
    Signal signal;
};

// Ranges worked out from the repair rules of preset reading, word by word.
const SpinCase kSpins[] = {
    {"numMasterGain", &foo_dsp_halvane::ConfigDlg::numMasterGain, 1, -6, 6, -4, Signal::Recalc},
    {"numCentreWeight", &foo_dsp_halvane::ConfigDlg::numCentreWeight, 3, 0, 100, 37, Signal::Recalc},
    {"numSurroundDelayMusic", &foo_dsp_halvane::ConfigDlg::numSurroundDelayMusic, 4, 0, 100, 25, Signal::Recalc},
    {"numSurroundDelayMovie", &foo_dsp_halvane::ConfigDlg::numSurroundDelayMovie, 5, 10, 100, 55, Signal::Recalc},
    {"numDelayL", &foo_dsp_halvane::ConfigDlg::numDelayL, 11, 0, 100, 1, Signal::Recalc},
    {"numDelayR", &foo_dsp_halvane::ConfigDlg::numDelayR, 12, 0, 100, 2, Signal::Recalc},
    {"numDelayC", &foo_dsp_halvane::ConfigDlg::numDelayC, 13, 0, 100, 3, Signal::Recalc},
    {"numDelaySub", &foo_dsp_halvane::ConfigDlg::numDelaySub, 14, 0, 100, 4, Signal::Recalc},
    {"numDelaySL", &foo_dsp_halvane::ConfigDlg::numDelaySL, 15, 0, 100, 99, Signal::Recalc},
    {"numDelaySR", &foo_dsp_halvane::ConfigDlg::numDelaySR, 16, 0, 100, 100, Signal::Recalc},
    {"numTrimL", &foo_dsp_halvane::ConfigDlg::numTrimL, 17, -12, 12, -12, Signal::Recalc},
    {"numTrimR", &foo_dsp_halvane::ConfigDlg::numTrimR, 18, -12, 12, 12, Signal::Recalc},
    {"numTrimC", &foo_dsp_halvane::ConfigDlg::numTrimC, 19, -12, 12, -1, Signal::Recalc},
    {"numTrimSub", &foo_dsp_halvane::ConfigDlg::numTrimSub, 20, -12, 12, 5, Signal::Recalc},
    {"numTrimSL", &foo_dsp_halvane::ConfigDlg::numTrimSL, 21, -12, 12, -7, Signal::Recalc},
    {"numTrimSR", &foo_dsp_halvane::ConfigDlg::numTrimSR, 22, -12, 12, 9, Signal::Recalc},
    {"numLFECutoff", &foo_dsp_halvane::ConfigDlg::numLFECutoff, 25, 20, 200, 80, Signal::Recalc},
};

struct CheckCase {
    const char* name;
    QCheckBox* foo_dsp_halvane::ConfigDlg::*box;
    int word;
    Signal signal;
};

const CheckCase kChecks[] = {
    {"checkBoxMusicSurroundShelf", &foo_dsp_halvane::ConfigDlg::checkBoxMusicSurroundShelf, 6, Signal::None},
    {"checkBoxHeadphonesDecodeMusic", &foo_dsp_halvane::ConfigDlg::checkBoxHeadphonesDecodeMusic, 8, Signal::None},
    {"checkBoxHeadphonesDecodeMovie", &foo_dsp_halvane::ConfigDlg::checkBoxHeadphonesDecodeMovie, 9, Signal::None},
    {"checkBoxLFERedir", &foo_dsp_halvane::ConfigDlg::checkBoxLFERedir, 23, Signal::None},
    {"checkBoxLFEInvert", &foo_dsp_halvane::ConfigDlg::checkBoxLFEInvert, 24, Signal::Recalc},
    {"checkBoxSSE2", &foo_dsp_halvane::ConfigDlg::checkBoxSSE2, 26, Signal::None},
    {"checkBoxCUDA", &foo_dsp_halvane::ConfigDlg::checkBoxCUDA, 27, Signal::None},
};

void ExpectSignal(Signal want, const char* name) {
    EXPECT_EQ(g_bSignalReset.load(), want == Signal::Reset ? 1 : 0) << name;
    EXPECT_EQ(g_bSignalRecalc.load(), want == Signal::Recalc ? 1 : 0) << name;
}

// The words in which two blobs differ.
std::vector<int> DiffWords(const Bytes& a, const Bytes& b) {
    std::vector<int> words;
    for (int w = 0; w < kHVConfigWords; ++w)
        if (WordOf(a, w) != WordOf(b, w)) words.push_back(w);
    return words;
}

TEST_F(DialogTest, SpinBoxRangesAreThePresetRanges) {
    auto& d = Open(HVLIB_CONFIG{});
    for (const SpinCase& c : kSpins) {
        QSpinBox* box = d.*c.box;
        EXPECT_EQ(box->minimum(), c.lo) << c.name;
        EXPECT_EQ(box->maximum(), c.hi) << c.name;
        EXPECT_EQ(box->singleStep(), 1) << c.name;
        EXPECT_EQ(box->objectName(), QLatin1String(c.name));
    }
}

TEST_F(DialogTest, AnyReadPresetFitsTheControls) {
    // Extreme words read through the preset reader always land inside the box's range, and
    // both ends of each range survive reading unchanged.
    const uint32_t probes[] = {0u, 1u, 9u, 10u, 11u, 19u, 20u, 99u, 100u, 101u, 199u, 200u, 201u,
                               0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFF4u, 0xFFFFFFF3u};
    auto& d = Open(HVLIB_CONFIG{});
    for (const SpinCase& c : kSpins) {
        for (uint32_t v : probes) {
            HVLIB_CONFIG cfg{};
            HVSetConfigWord(cfg, c.word, v);
            t_dsp_halvane_params p = t_dsp_halvane_params::g_default();
            ASSERT_TRUE(p.set_data(PresetOf(cfg)));
            const int32_t got = static_cast<int32_t>(HVConfigWord(p.m_config, c.word));
            EXPECT_GE(got, (d.*c.box)->minimum()) << c.name << " from " << v;
            EXPECT_LE(got, (d.*c.box)->maximum()) << c.name << " from " << v;
        }
        for (int end : {c.lo, c.hi}) {
            HVLIB_CONFIG cfg{};
            HVSetConfigWord(cfg, c.word, static_cast<uint32_t>(end));
            t_dsp_halvane_params p = t_dsp_halvane_params::g_default();
            ASSERT_TRUE(p.set_data(PresetOf(cfg)));
            EXPECT_EQ(static_cast<int32_t>(HVConfigWord(p.m_config, c.word)), end) << c.name;
        }
    }
}

TEST_F(DialogTest, EachSpinBoxStoresPublishesOneWordAndSignals) {
    auto& d = Open(HVLIB_CONFIG{});
    Bytes previous = BlobOf(Params());
    for (const SpinCase& c : kSpins) {
        ClearSignals();
        const size_t published = callback.published.size();
        (d.*c.box)->setValue(c.newValue);
        ASSERT_EQ(callback.published.size(), published + 1) << c.name;
        EXPECT_EQ(static_cast<int32_t>(HVConfigWord(Params(), c.word)), c.newValue) << c.name;
        EXPECT_EQ(DiffWords(previous, LastPublished()), std::vector<int>{c.word}) << c.name;
        EXPECT_EQ(static_cast<int32_t>(WordOf(LastPublished(), c.word)), c.newValue) << c.name;
        EXPECT_TRUE(callback.owners.back() == HALVANE_GUID);
        ExpectSignal(c.signal, c.name);
        previous = LastPublished();
    }
}

TEST_F(DialogTest, EachCheckBoxStoresOneOrZero) {
    HVLIB_CONFIG cfg{};
    cfg.bLFERedir = 1;  // so that "Invert phase" is enabled
    auto& d = Open(cfg);
    for (const CheckCase& c : kChecks) {
        QCheckBox* box = d.*c.box;
        for (int round = 0; round < 2; ++round) {
            ClearSignals();
            const Bytes previous = BlobOf(Params());
            const bool want = !box->isChecked();
            box->setChecked(want);
            EXPECT_EQ(HVConfigWord(Params(), c.word), want ? 1u : 0u) << c.name;
            EXPECT_EQ(DiffWords(previous, LastPublished()), std::vector<int>{c.word}) << c.name;
            ExpectSignal(c.signal, c.name);
        }
    }
}

TEST_F(DialogTest, ModeListStoresIndexSignalsResetAndShowsConfigureFor2And3) {
    auto& d = Open(HVLIB_CONFIG{});
    ASSERT_EQ(d.comboBoxDecoding->count(), 5);
    EXPECT_EQ(d.comboBoxDecoding->itemText(0), "Bypass");
    EXPECT_EQ(d.comboBoxDecoding->itemText(1), "Passive decoding (3/1) = L,R,C,S");
    EXPECT_EQ(d.comboBoxDecoding->itemText(2), "Halvane-HV (3/2) = L,R,C,SL,SR");
    EXPECT_EQ(d.comboBoxDecoding->itemText(3), "Halvane Headphone (2/0) = L,R");
    EXPECT_EQ(d.comboBoxDecoding->itemText(4), "Halvane Encoder (2/0) = L,R");
    EXPECT_FALSE(d.comboBoxDecoding->isEditable());
    const bool linkShown[5] = {false, false, true, true, false};
    for (int mode : {0, 3, 1, 4, 2}) {
        ClearSignals();
        d.comboBoxDecoding->setCurrentIndex(mode);
        EXPECT_EQ(Params().dwMode, static_cast<uint32_t>(mode));
        EXPECT_EQ(WordOf(LastPublished(), 0), static_cast<uint32_t>(mode));
        EXPECT_EQ(!d.linkLabelConfigure->isHidden(), linkShown[mode]) << mode;
        ExpectSignal(Signal::Reset, "comboBoxDecoding");
    }
}

TEST_F(DialogTest, RadioPairsStoreTheirFlavourAndAreIndependent) {
    auto& d = Open(HVLIB_CONFIG{});  // Music on both tabs
    ASSERT_TRUE(d.radioButtonSurroundMusic->isChecked());
    ASSERT_TRUE(d.radioButtonHeadphonesMusic->isChecked());

    ClearSignals();
    size_t n = callback.published.size();
    d.radioButtonSurroundMovie->setChecked(true);
    // Both buttons of the pair change state and each publishes.
    EXPECT_EQ(callback.published.size(), n + 2);
    EXPECT_EQ(Params().dwSurroundMode, 0u);
    EXPECT_EQ(WordOf(LastPublished(), 2), 0u);
    EXPECT_FALSE(d.radioButtonSurroundMusic->isChecked());
    EXPECT_TRUE(d.radioButtonHeadphonesMusic->isChecked());  // the other tab's pair is untouched
    ExpectSignal(Signal::None, "radioButtonSurroundMovie");

    n = callback.published.size();
    d.radioButtonHeadphonesMovie->setChecked(true);
    EXPECT_EQ(callback.published.size(), n + 2);
    EXPECT_EQ(Params().dwHeadphonesMode, 1u);
    EXPECT_EQ(WordOf(LastPublished(), 7), 1u);
    EXPECT_TRUE(d.radioButtonSurroundMovie->isChecked());

    d.radioButtonSurroundMusic->setChecked(true);
    EXPECT_EQ(Params().dwSurroundMode, 1u);
    d.radioButtonHeadphonesMusic->setChecked(true);
    EXPECT_EQ(Params().dwHeadphonesMode, 0u);
    ExpectSignal(Signal::None, "radio buttons");
}

TEST_F(DialogTest, BassRedirectionEnablesCutoffAndInvert) {
    auto& d = Open(HVLIB_CONFIG{});
    EXPECT_FALSE(d.numLFECutoff->isEnabled());
    EXPECT_FALSE(d.checkBoxLFEInvert->isEnabled());
    d.checkBoxLFERedir->setChecked(true);
    EXPECT_TRUE(d.numLFECutoff->isEnabled());
    EXPECT_TRUE(d.checkBoxLFEInvert->isEnabled());
    EXPECT_EQ(WordOf(LastPublished(), 23), 1u);
    d.checkBoxLFERedir->setChecked(false);
    EXPECT_FALSE(d.numLFECutoff->isEnabled());
    EXPECT_FALSE(d.checkBoxLFEInvert->isEnabled());
}

TEST_F(DialogTest, LinksSelectTheTabOfTheActiveDecoder) {
    auto& d = Open(HVLIB_CONFIG{});
    d.comboBoxDecoding->setCurrentIndex(3);
    emit d.linkLabelConfigure->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(d.tabControl->currentIndex(), 2);  // Headphones
    d.comboBoxDecoding->setCurrentIndex(2);
    emit d.linkLabelConfigure->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(d.tabControl->currentIndex(), 1);  // Surround
    d.tabControl->setCurrentIndex(0);
    d.comboBoxDecoding->setCurrentIndex(4);
    d.linkLabelConfigure_LinkClicked();  // hidden in this mode; does nothing if reached
    EXPECT_EQ(d.tabControl->currentIndex(), 0);

    d.tabControl->setCurrentIndex(0);
    emit d.linkLabelConfigMusic->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(d.tabControl->currentIndex(), 1);
    d.tabControl->setCurrentIndex(0);
    emit d.linkLabelConfigMovie->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(d.tabControl->currentIndex(), 1);
}

}  // namespace
}  // namespace hv_dialog_test
