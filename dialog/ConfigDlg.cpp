// ConfigDlg: opening, loading the form from the record, publishing, OK/Cancel/close,
// defaults and the status line.
#include "dialog/ConfigDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include "dialog/BuildStamp.h"
#include "dialog/SpeakerColours.h"
#include "dialog/StatusLine.h"
#include "dialog/EngineStatus.h"
#include "dialog/ModuleLink.h"

namespace foo_dsp_halvane {

t_dsp_halvane_params m_params = t_dsp_halvane_params::g_default();

namespace {

bool AskWithMessageBox(QWidget* owner, const QString& text, const QString& caption) {
    return QMessageBox::question(owner, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace

ConfigDlg::ConfigDlg(const dsp_preset& p_data, dsp_preset_edit_callback& p_callback, QWidget* parent)
    : QDialog(parent), m_old_data(&p_data), m_callback(&p_callback), m_askYesNo(AskWithMessageBox) {
    m_bBlockDataUpdate = false;
    m_bCancelMode = true;
    m_params.set_data(p_data);  // a rejected preset leaves the working record as it was
    // Qt owns the children: if building throws, the base destructor releases what exists.
    InitializeComponent();
    WireEvents();
    UpdateForm();
    timer->start();
}

ConfigDlg::~ConfigDlg() = default;

void ConfigDlg::UpdateForm() {
    HVLIB_CONFIG& r = m_params.m_config;
    m_bBlockDataUpdate = true;

    comboBoxDecoding->setCurrentIndex(static_cast<int>(r.dwMode));
    linkLabelConfigure->setVisible(r.dwMode == 2 || r.dwMode == 3);
    numMasterGain->setValue(r.nMasterGain);

    if (r.dwSurroundMode == 1) radioButtonSurroundMusic->setChecked(true);
    else if (r.dwSurroundMode == 0) radioButtonSurroundMovie->setChecked(true);
    numCentreWeight->setValue(static_cast<int>(r.dwCentreWeight));
    ColourSpeakers();
    numSurroundDelayMovie->setValue(static_cast<int>(r.dwSurroundDelayMovie));
    numSurroundDelayMusic->setValue(static_cast<int>(r.dwSurroundDelayMusic));
    checkBoxMusicSurroundShelf->setChecked(r.bMusicSurroundShelf != 0);

    if (r.dwHeadphonesMode == 0) radioButtonHeadphonesMusic->setChecked(true);
    else if (r.dwHeadphonesMode == 1) radioButtonHeadphonesMovie->setChecked(true);
    checkBoxHeadphonesDecodeMusic->setChecked(r.bHeadphonesDecodeMusic != 0);
    checkBoxHeadphonesDecodeMovie->setChecked(r.bHeadphonesDecodeMovie != 0);

    numDelayL->setValue(static_cast<int>(r.dwDelayL));
    numDelayR->setValue(static_cast<int>(r.dwDelayR));
    numDelayC->setValue(static_cast<int>(r.dwDelayC));
    numDelaySub->setValue(static_cast<int>(r.dwDelaySub));
    numDelaySL->setValue(static_cast<int>(r.dwDelaySL));
    numDelaySR->setValue(static_cast<int>(r.dwDelaySR));
    numTrimL->setValue(r.nTrimL);
    numTrimR->setValue(r.nTrimR);
    numTrimC->setValue(r.nTrimC);
    numTrimSub->setValue(r.nTrimSub);
    numTrimSL->setValue(r.nTrimSL);
    numTrimSR->setValue(r.nTrimSR);

    checkBoxLFERedir->setChecked(r.bLFERedir != 0);
    checkBoxLFEInvert->setChecked(r.bLFEInvert != 0);
    numLFECutoff->setValue(static_cast<int>(r.dwLFECutoff));
    numLFECutoff->setEnabled(r.bLFERedir != 0);
    checkBoxLFEInvert->setEnabled(r.bLFERedir != 0);

    const EngineStatusWords engine = ReadEngineStatus();
    ShowCapability(labelSSE2, checkBoxSSE2, engine.sse2, r.bSSE2, "SSE2 is supported",
                   "No SSE2 support");
    ShowCapability(labelCUDA, checkBoxCUDA, engine.cuda, r.bCUDA, "CUDA is supported",
                   "No CUDA support");

    labelDesc->setText(QString::fromWCharArray(HALVANE_DESC));
    labelCopyright->setText(QString::fromWCharArray(HALVANE_COPYRIGHT));
    labelWebsite->setText(QString::fromWCharArray(HALVANE_WEBSITE));
    labelBuilt->setText(QString::fromLatin1(HalvaneBuildStamp()));

    // The persisted tab; an index outside 0..5 (a damaged configuration) opens the first.
    tabControl->setCurrentIndex(TabToOpen());

    m_bBlockDataUpdate = false;
}

void ConfigDlg::ShowCapability(QLabel* label, QCheckBox* box, bool supported, uint32_t& flag, const char* yes,
                               const char* no) {
    label->setText(QLatin1String(supported ? yes : no));
    box->setChecked(flag != 0 && supported);
    box->setEnabled(supported);
    // Without the capability the record must not ask for it either.
    flag = box->isChecked() ? 1 : 0;
}

void ConfigDlg::ColourSpeakers() {
    const uint32_t w = m_params.m_config.dwCentreWeight;
    const int back = SpeakerCentreBack(w), fore = SpeakerArrowFore(w);
    QPalette c = labelSpeakerC->palette();
    c.setColor(QPalette::Window, QColor(back, back, back));
    labelSpeakerC->setPalette(c);
    for (QLabel* arrow : {labelSpeakerDirL, labelSpeakerDirR}) {
        QPalette a = arrow->palette();
        a.setColor(QPalette::WindowText, QColor(fore, fore, fore));
        arrow->setPalette(a);
    }
}

void ConfigDlg::DataChanged() {
    if (m_bBlockDataUpdate) return;
    dsp_preset_impl preset;
    m_params.get_data(preset);
    m_callback->on_preset_changed(preset);
}

void ConfigDlg::RestoreOpeningPreset() {
    m_params.set_data(*m_old_data);
    UpdateForm();
    m_callback->on_preset_changed(*m_old_data);
}

void ConfigDlg::buttonOK_Click() {
    m_bCancelMode = false;
    DataChanged();
    hide();
}

void ConfigDlg::buttonCancel_Click() {
    RestoreOpeningPreset();
    hide();
}

void ConfigDlg::reject() { buttonCancel_Click(); }

void ConfigDlg::closeEvent(QCloseEvent* e) {
    e->ignore();
    ConfigDlg_FormClosing();
}

void ConfigDlg::ConfigDlg_FormClosing() {
    if (m_bCancelMode) RestoreOpeningPreset();
    else m_bCancelMode = true;
    hide();
}

void ConfigDlg::buttonDefaults_Click() {
    if (!m_askYesNo(this, QStringLiteral("Are you sure you want to load all default values?"),
                    QStringLiteral("Halvane")))
        return;
    HVLIB_CONFIG& r = m_params.m_config;
    const uint32_t keep = r.uOperations;
    r = t_dsp_halvane_params::g_default().m_config;
    r.uOperations = keep;
    UpdateForm();
    DataChanged();
}

void ConfigDlg::tabControl_SelectedIndexChanged() { StoreTab(tabControl->currentIndex()); }

void ConfigDlg::linkLabelConfigure_LinkClicked() {
    const int mode = comboBoxDecoding->currentIndex();
    if (mode == 2) tabControl->setCurrentWidget(tabPageSurround);
    else if (mode == 3) tabControl->setCurrentWidget(tabPageHeadphones);
}

void ConfigDlg::linkLabelConfigMusic_LinkClicked() { tabControl->setCurrentWidget(tabPageSurround); }

void ConfigDlg::linkLabelConfigMovie_LinkClicked() { tabControl->setCurrentWidget(tabPageSurround); }

void ConfigDlg::timer_Tick() {
    const EngineStatusWords engine = ReadEngineStatus();
    const auto status = StatusFor(engine.playing, m_params.m_config.dwMode, engine.channels, engine.rate);
    if (!status) return;
    labelStatus->setText(QLatin1String(status->text));
    labelStatus->setToolTip(QLatin1String(status->tip));
}

}  // namespace foo_dsp_halvane
