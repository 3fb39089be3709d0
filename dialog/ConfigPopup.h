// The DSP's configuration popup: shows ConfigDlg modally over the host's window.
//
// Runs on the host's user-interface thread. A QApplication is created on first use when the
// host has none (and kept until the dialog's library unloads); when the environment names no
// XDG_RUNTIME_DIR, Qt is given a private one (mode 0700 under $TMPDIR or /tmp, removed with
// the application) so that it has no reason to complain. A preset that is not this DSP's
// shows nothing. Every edit reaches the host through p_callback while the dialog is open;
// the engine signals, the tab and the status go through p_link, which stays installed
// (dialog/ModuleLink.h) after the popup returns.
#pragma once

#include "dialog/DialogSdk.h"
#include "host/halvane_popup.h"

namespace foo_dsp_halvane {

// Of type halvane_config_popup_fn.
void ShowConfigPopup(const halvane_dialog_link* p_link, const dsp_preset* p_data, fb2k_hwnd p_parent,
                     dsp_preset_edit_callback* p_callback);

}  // namespace foo_dsp_halvane
