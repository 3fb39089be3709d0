// The DSP's configuration popup: shows ConfigDlg modally over the host's window.
//
// Runs on the host's user-interface thread. A QApplication is created on first use when the
// host has none (and kept for the life of the process). A preset that is not this DSP's
// shows nothing. Every edit reaches the host through p_callback while the dialog is open.
#pragma once

#include "dialog/DialogSdk.h"

namespace foo_dsp_halvane {

void ShowConfigPopup(const dsp_preset& p_data, fb2k_hwnd p_parent, dsp_preset_edit_callback& p_callback);

}  // namespace foo_dsp_halvane
