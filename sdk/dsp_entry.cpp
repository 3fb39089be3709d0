#include "sdk/dsp_entry.h"

namespace {
// Keeps the last preset that the popup published.
class store_edits final : public dsp_preset_edit_callback {
public:
    explicit store_edits(dsp_preset& target) : m_target(target) {}
    void on_preset_changed(const dsp_preset& p_preset) override { m_target = p_preset; }

private:
    dsp_preset& m_target;
};
}  // namespace

bool dsp_entry_v2::show_config_popup(dsp_preset& p_data, fb2k_hwnd p_parent) {
    dsp_preset_impl edited(p_data);
    store_edits callback(edited);
    show_config_popup_v2(p_data, p_parent, callback);
    if (edited == p_data) return false;
    p_data = edited;
    return true;
}
