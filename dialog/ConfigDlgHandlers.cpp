// ConfigDlg's control handlers and their wiring.
//
// Every control handler does three things in this order: store the control's state into
// m_params (spin boxes as whole numbers, check boxes as 1 or 0), publish (DataChanged), and
// raise the engine signal the setting needs through the module's link: reset for the mode
// (the engine starts from silence), recalc for settings that feed derived constants. They run
// while UpdateForm loads the controls too: the store then writes back the value just
// loaded, publishing is suppressed, and the signal is still raised.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include "dialog/ConfigDlg.h"
#include "dialog/ModuleLink.h"

namespace foo_dsp_halvane {

namespace {

HVLIB_CONFIG& Rec() { return m_params.m_config; }
uint32_t Flag(const QCheckBox* box) { return box->isChecked() ? 1u : 0u; }
uint32_t Unsigned(const QSpinBox* box) { return static_cast<uint32_t>(box->value()); }

}  // namespace

void ConfigDlg::comboBoxDecoding_SelectedIndexChanged() {
    const int index = comboBoxDecoding->currentIndex();
    if (index < 0) return;  // the list was emptied, not a selection
    Rec().dwMode = static_cast<uint32_t>(index);
    linkLabelConfigure->setVisible(index == 2 || index == 3);
    DataChanged();
    SignalReset();
}

void ConfigDlg::numMasterGain_ValueChanged() {
    Rec().nMasterGain = numMasterGain->value();
    DataChanged();
    SignalRecalc();
}

void ConfigDlg::radioButtonSurroundMusic_CheckedChanged() {
    if (radioButtonSurroundMusic->isChecked()) Rec().dwSurroundMode = 1;
    DataChanged();
}

void ConfigDlg::radioButtonSurroundMovie_CheckedChanged() {
    if (radioButtonSurroundMovie->isChecked()) Rec().dwSurroundMode = 0;
    DataChanged();
}

void ConfigDlg::numCentreWeight_ValueChanged() {
    Rec().dwCentreWeight = Unsigned(numCentreWeight);
    DataChanged();
    SignalRecalc();
    ColourSpeakers();
}

void ConfigDlg::numSurroundDelayMusic_ValueChanged() {
    Rec().dwSurroundDelayMusic = Unsigned(numSurroundDelayMusic);
    DataChanged();
    SignalRecalc();
}

void ConfigDlg::numSurroundDelayMovie_ValueChanged() {
    Rec().dwSurroundDelayMovie = Unsigned(numSurroundDelayMovie);
    DataChanged();
    SignalRecalc();
}

void ConfigDlg::checkBoxMusicSurroundShelf_CheckedChanged() {
    Rec().bMusicSurroundShelf = Flag(checkBoxMusicSurroundShelf);
    DataChanged();
}

void ConfigDlg::radioButtonHeadphonesMusic_CheckedChanged() {
    if (radioButtonHeadphonesMusic->isChecked()) Rec().dwHeadphonesMode = 0;
    DataChanged();
}

void ConfigDlg::radioButtonHeadphonesMovie_CheckedChanged() {
    if (radioButtonHeadphonesMovie->isChecked()) Rec().dwHeadphonesMode = 1;
    DataChanged();
}

void ConfigDlg::checkBoxHeadphonesDecodeMusic_CheckedChanged() {
    Rec().bHeadphonesDecodeMusic = Flag(checkBoxHeadphonesDecodeMusic);
    DataChanged();
}

void ConfigDlg::checkBoxHeadphonesDecodeMovie_CheckedChanged() {
    Rec().bHeadphonesDecodeMovie = Flag(checkBoxHeadphonesDecodeMovie);
    DataChanged();
}

#define HV_ROOM_HANDLER(Control, field, convert) \
    void ConfigDlg::Control##_ValueChanged() {   \
        Rec().field = convert(Control);          \
        DataChanged();                           \
        SignalRecalc();                          \
    }
#define HV_SIGNED(box) (box)->value()
HV_ROOM_HANDLER(numDelayL, dwDelayL, Unsigned)
HV_ROOM_HANDLER(numDelayR, dwDelayR, Unsigned)
HV_ROOM_HANDLER(numDelayC, dwDelayC, Unsigned)
HV_ROOM_HANDLER(numDelaySub, dwDelaySub, Unsigned)
HV_ROOM_HANDLER(numDelaySL, dwDelaySL, Unsigned)
HV_ROOM_HANDLER(numDelaySR, dwDelaySR, Unsigned)
HV_ROOM_HANDLER(numTrimL, nTrimL, HV_SIGNED)
HV_ROOM_HANDLER(numTrimR, nTrimR, HV_SIGNED)
HV_ROOM_HANDLER(numTrimC, nTrimC, HV_SIGNED)
HV_ROOM_HANDLER(numTrimSub, nTrimSub, HV_SIGNED)
HV_ROOM_HANDLER(numTrimSL, nTrimSL, HV_SIGNED)
HV_ROOM_HANDLER(numTrimSR, nTrimSR, HV_SIGNED)
HV_ROOM_HANDLER(numLFECutoff, dwLFECutoff, Unsigned)
#undef HV_SIGNED
#undef HV_ROOM_HANDLER

void ConfigDlg::checkBoxLFERedir_CheckedChanged() {
    Rec().bLFERedir = Flag(checkBoxLFERedir);
    numLFECutoff->setEnabled(Rec().bLFERedir != 0);
    checkBoxLFEInvert->setEnabled(Rec().bLFERedir != 0);
    DataChanged();
}

void ConfigDlg::checkBoxLFEInvert_CheckedChanged() {
    Rec().bLFEInvert = Flag(checkBoxLFEInvert);
    DataChanged();
    SignalRecalc();
}

void ConfigDlg::checkBoxSSE2_CheckedChanged() {
    Rec().bSSE2 = Flag(checkBoxSSE2);
    DataChanged();
}

void ConfigDlg::checkBoxCUDA_CheckedChanged() {
    Rec().bCUDA = Flag(checkBoxCUDA);
    DataChanged();
}

void ConfigDlg::WireEvents() {
    connect(timer, &QTimer::timeout, this, &ConfigDlg::timer_Tick);
    connect(buttonDefaults, &QPushButton::clicked, this, &ConfigDlg::buttonDefaults_Click);
    connect(buttonOK, &QPushButton::clicked, this, &ConfigDlg::buttonOK_Click);
    connect(buttonCancel, &QPushButton::clicked, this, &ConfigDlg::buttonCancel_Click);
    connect(tabControl, &QTabWidget::currentChanged, this, &ConfigDlg::tabControl_SelectedIndexChanged);
    connect(comboBoxDecoding, &QComboBox::currentIndexChanged, this,
            &ConfigDlg::comboBoxDecoding_SelectedIndexChanged);
    connect(linkLabelConfigure, &QLabel::linkActivated, this, &ConfigDlg::linkLabelConfigure_LinkClicked);
    connect(linkLabelConfigMusic, &QLabel::linkActivated, this, &ConfigDlg::linkLabelConfigMusic_LinkClicked);
    connect(linkLabelConfigMovie, &QLabel::linkActivated, this, &ConfigDlg::linkLabelConfigMovie_LinkClicked);

    const std::pair<QSpinBox*, void (ConfigDlg::*)()> spins[] = {
        {numMasterGain, &ConfigDlg::numMasterGain_ValueChanged},
        {numCentreWeight, &ConfigDlg::numCentreWeight_ValueChanged},
        {numSurroundDelayMusic, &ConfigDlg::numSurroundDelayMusic_ValueChanged},
        {numSurroundDelayMovie, &ConfigDlg::numSurroundDelayMovie_ValueChanged},
        {numDelayL, &ConfigDlg::numDelayL_ValueChanged},
        {numDelayR, &ConfigDlg::numDelayR_ValueChanged},
        {numDelayC, &ConfigDlg::numDelayC_ValueChanged},
        {numDelaySub, &ConfigDlg::numDelaySub_ValueChanged},
        {numDelaySL, &ConfigDlg::numDelaySL_ValueChanged},
        {numDelaySR, &ConfigDlg::numDelaySR_ValueChanged},
        {numTrimL, &ConfigDlg::numTrimL_ValueChanged},
        {numTrimR, &ConfigDlg::numTrimR_ValueChanged},
        {numTrimC, &ConfigDlg::numTrimC_ValueChanged},
        {numTrimSub, &ConfigDlg::numTrimSub_ValueChanged},
        {numTrimSL, &ConfigDlg::numTrimSL_ValueChanged},
        {numTrimSR, &ConfigDlg::numTrimSR_ValueChanged},
        {numLFECutoff, &ConfigDlg::numLFECutoff_ValueChanged},
    };
    for (const auto& [box, handler] : spins)
        connect(box, &QSpinBox::valueChanged, this, handler);

    const std::pair<QAbstractButton*, void (ConfigDlg::*)()> checks[] = {
        {checkBoxMusicSurroundShelf, &ConfigDlg::checkBoxMusicSurroundShelf_CheckedChanged},
        {radioButtonSurroundMusic, &ConfigDlg::radioButtonSurroundMusic_CheckedChanged},
        {radioButtonSurroundMovie, &ConfigDlg::radioButtonSurroundMovie_CheckedChanged},
        {radioButtonHeadphonesMusic, &ConfigDlg::radioButtonHeadphonesMusic_CheckedChanged},
        {radioButtonHeadphonesMovie, &ConfigDlg::radioButtonHeadphonesMovie_CheckedChanged},
        {checkBoxHeadphonesDecodeMusic, &ConfigDlg::checkBoxHeadphonesDecodeMusic_CheckedChanged},
        {checkBoxHeadphonesDecodeMovie, &ConfigDlg::checkBoxHeadphonesDecodeMovie_CheckedChanged},
        {checkBoxLFERedir, &ConfigDlg::checkBoxLFERedir_CheckedChanged},
        {checkBoxLFEInvert, &ConfigDlg::checkBoxLFEInvert_CheckedChanged},
        {checkBoxSSE2, &ConfigDlg::checkBoxSSE2_CheckedChanged},
        {checkBoxCUDA, &ConfigDlg::checkBoxCUDA_CheckedChanged},
    };
    for (const auto& [button, handler] : checks)
        connect(button, &QAbstractButton::toggled, this, handler);
}

}  // namespace foo_dsp_halvane
