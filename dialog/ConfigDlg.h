// ConfigDlg: the modal configuration dialog of the DSP.
//
// Six tabs edit every user-visible word of the module-wide working record m_params. Every
// edit is stored into m_params, published at once to the host as a complete 112-byte preset
// through the host's edit callback (the host builds a new DSP instance from it, so the
// change is heard while the dialog is open), and, for the settings that need it, signalled
// to the engine (g_bSignalReset for the mode, g_bSignalRecalc for numeric settings).
// Cancel, Escape and the close box publish again the preset handed over at opening; OK
// leaves the host on the last published record.
//
// Threads: everything here runs on the thread that created the dialog (the host's UI
// thread), the 100 ms status timer included. The dialog shares only single 32-bit words
// with the audio thread (the two signals it raises, the playback flag, the channel count
// and the sample rate it reads).
//
// The controls are public so that tests and the rendering script can drive and inspect
// the real form without a screen (Qt's offscreen platform).
#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "dialog/DialogSdk.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace foo_dsp_halvane {

// The dialog's working record. It holds the defaults when the module is loaded and
// survives between openings; each opening reloads it from the host's preset.
extern t_dsp_halvane_params m_params;

// Asks a yes/no question owned by `owner`; true for Yes. The default shows a modal
// question box; tests put their own answer in its place.
using YesNoQuestion = std::function<bool(QWidget* owner, const QString& text, const QString& caption)>;

class ConfigDlg : public QDialog {
public:
    // Keeps references to the host's preset and callback for the dialog's lifetime.
    ConfigDlg(const dsp_preset& p_data, dsp_preset_edit_callback& p_callback, QWidget* parent = nullptr);
    ~ConfigDlg() override;

    // Record to controls. Raises the signals of the controls whose shown value changes but
    // publishes nothing.
    void UpdateForm();
    // Publishes m_params to the host as a fresh preset, unless the form is being loaded.
    void DataChanged();

    void SetQuestionBox(YesNoQuestion ask) { m_askYesNo = std::move(ask); }
    bool CancelMode() const { return m_bCancelMode; }

    // Handlers (the toolkit's events are wired to these; tests may call them directly).
    void timer_Tick();
    void buttonDefaults_Click();
    void buttonOK_Click();
    void buttonCancel_Click();
    void tabControl_SelectedIndexChanged();
    void comboBoxDecoding_SelectedIndexChanged();
    void linkLabelConfigure_LinkClicked();
    void linkLabelConfigMusic_LinkClicked();
    void linkLabelConfigMovie_LinkClicked();
    void numMasterGain_ValueChanged();
    void radioButtonSurroundMusic_CheckedChanged();
    void radioButtonSurroundMovie_CheckedChanged();
    void numCentreWeight_ValueChanged();
    void numSurroundDelayMusic_ValueChanged();
    void numSurroundDelayMovie_ValueChanged();
    void checkBoxMusicSurroundShelf_CheckedChanged();
    void radioButtonHeadphonesMusic_CheckedChanged();
    void radioButtonHeadphonesMovie_CheckedChanged();
    void checkBoxHeadphonesDecodeMusic_CheckedChanged();
    void checkBoxHeadphonesDecodeMovie_CheckedChanged();
    void numDelayL_ValueChanged();
    void numDelayR_ValueChanged();
    void numDelayC_ValueChanged();
    void numDelaySub_ValueChanged();
    void numDelaySL_ValueChanged();
    void numDelaySR_ValueChanged();
    void numTrimL_ValueChanged();
    void numTrimR_ValueChanged();
    void numTrimC_ValueChanged();
    void numTrimSub_ValueChanged();
    void numTrimSL_ValueChanged();
    void numTrimSR_ValueChanged();
    void checkBoxLFERedir_CheckedChanged();
    void checkBoxLFEInvert_CheckedChanged();
    void numLFECutoff_ValueChanged();
    void checkBoxSSE2_CheckedChanged();
    void checkBoxCUDA_CheckedChanged();
    // Refuses the close and hides instead; restores the opening preset unless OK was pressed.
    void ConfigDlg_FormClosing();

    // Controls.
    QTabWidget* tabControl = nullptr;
    QWidget *tabPageMain = nullptr, *tabPageSurround = nullptr, *tabPageHeadphones = nullptr,
            *tabPageRoom = nullptr, *tabPageSystem = nullptr, *tabPageAbout = nullptr;
    QGroupBox *groupBox3 = nullptr, *groupBox11 = nullptr;
    QComboBox* comboBoxDecoding = nullptr;
    QLabel* linkLabelConfigure = nullptr;
    QSpinBox* numMasterGain = nullptr;
    QGroupBox *groupBox7 = nullptr, *groupBox12 = nullptr, *groupBox13 = nullptr;
    QRadioButton *radioButtonSurroundMusic = nullptr, *radioButtonSurroundMovie = nullptr;
    QSpinBox *numSurroundDelayMusic = nullptr, *numCentreWeight = nullptr, *numSurroundDelayMovie = nullptr;
    QLabel *label30 = nullptr, *labelSpeakerDirL = nullptr, *labelSpeakerC = nullptr,
           *labelSpeakerDirR = nullptr, *label31 = nullptr;
    QCheckBox* checkBoxMusicSurroundShelf = nullptr;
    QGroupBox *groupBox8 = nullptr, *groupBox9 = nullptr, *groupBox10 = nullptr;
    QRadioButton *radioButtonHeadphonesMusic = nullptr, *radioButtonHeadphonesMovie = nullptr;
    QCheckBox *checkBoxHeadphonesDecodeMusic = nullptr, *checkBoxHeadphonesDecodeMovie = nullptr;
    QLabel *linkLabelConfigMusic = nullptr, *linkLabelConfigMovie = nullptr;
    QGroupBox *groupBox4 = nullptr, *groupBox6 = nullptr;
    QSpinBox *numDelayL = nullptr, *numDelayR = nullptr, *numDelayC = nullptr, *numDelaySub = nullptr,
             *numDelaySL = nullptr, *numDelaySR = nullptr;
    QSpinBox *numTrimL = nullptr, *numTrimR = nullptr, *numTrimC = nullptr, *numTrimSub = nullptr,
             *numTrimSL = nullptr, *numTrimSR = nullptr;
    QCheckBox *checkBoxLFERedir = nullptr, *checkBoxLFEInvert = nullptr;
    QSpinBox* numLFECutoff = nullptr;
    QGroupBox* groupBox2 = nullptr;
    QLabel *labelSSE2 = nullptr, *labelCUDA = nullptr;
    QCheckBox *checkBoxSSE2 = nullptr, *checkBoxCUDA = nullptr;
    QGroupBox* groupBox15 = nullptr;
    QLabel *pictureBoxLogo = nullptr, *labelDesc = nullptr, *labelCopyright = nullptr,
           *labelWebsite = nullptr, *labelBuilt = nullptr;
    QPushButton *buttonDefaults = nullptr, *buttonOK = nullptr, *buttonCancel = nullptr;
    QStatusBar* statusStrip = nullptr;
    QLabel* labelStatus = nullptr;
    QTimer* timer = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;  // Escape: the form's cancel button is Cancel

private:
    void InitializeComponent();
    void BuildMainTab();
    void BuildSurroundTab();
    void BuildHeadphonesTab();
    void BuildRoomTab();
    void BuildSystemTab();
    void BuildAboutTab();
    void WireEvents();
    void ColourSpeakers();
    void ShowCapability(QLabel* label, QCheckBox* box, bool supported, uint32_t& flag,
                        const char* yes, const char* no);
    // Cancel's restore: m_params from the opening preset, controls from m_params, and the
    // opening preset itself back to the host.
    void RestoreOpeningPreset();

    const dsp_preset* m_old_data;
    dsp_preset_edit_callback* m_callback;
    bool m_bBlockDataUpdate = false;
    bool m_bCancelMode = true;
    YesNoQuestion m_askYesNo;
};

}  // namespace foo_dsp_halvane
