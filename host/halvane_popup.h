// The configuration popup hook. The module itself has no user-interface toolkit: the dialog
// library registers its popup here during static initialisation (declare one
// halvane_config_popup_registrar at namespace scope, in an object file that is linked into
// the module in full). Without a registration the popup does nothing.
#pragma once

#include "sdk/dsp_entry.h"

using halvane_config_popup_fn = void (*)(const dsp_preset& p_data, fb2k_hwnd p_parent,
                                         dsp_preset_edit_callback& p_callback);

// Stores the popup function (null removes it). Thread-safe; normally called once at load.
void halvane_register_config_popup(halvane_config_popup_fn p_fn);
halvane_config_popup_fn halvane_get_config_popup();

struct halvane_config_popup_registrar {
    explicit halvane_config_popup_registrar(halvane_config_popup_fn p_fn) { halvane_register_config_popup(p_fn); }
};
