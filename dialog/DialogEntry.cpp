// The dialog library's one export, looked up by the module when a popup is first asked for.
#include <type_traits>

#include "dialog/ConfigPopup.h"

extern "C" __attribute__((visibility("default"))) void halvane_dialog_show(const halvane_dialog_link* p_link,
                                                                           const dsp_preset* p_data,
                                                                           fb2k_hwnd p_parent,
                                                                           dsp_preset_edit_callback* p_callback) {
    foo_dsp_halvane::ShowConfigPopup(p_link, p_data, p_parent, p_callback);
}

// The module and this library must agree on the entry's type.
static_assert(std::is_same_v<decltype(&halvane_dialog_show), halvane_config_popup_fn>);
