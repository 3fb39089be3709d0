// Settings records <-> this DSP's presets, through the preset class the module itself uses
// (t_dsp_halvane_params), so the host applies exactly the module's reading rules.
#include "app/AppError.h"
#include "app/PresetFile.h"
#include "host/dsp_halvane_params.h"

HVLIB_CONFIG LoadPresetSettings(const std::string& path) {
    dsp_preset_impl preset;
    ReadPresetFile(path, preset);
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    if (!params.set_data(preset)) {
        if (preset.get_owner() != HALVANE_GUID)
            throw Failure("preset file '" + path + "' is rejected: it belongs to another DSP (owner GUID differs)");
        throw Failure("preset file '" + path + "' is rejected: its data is " +
                      std::to_string(preset.get_data_size()) + " bytes, not " +
                      std::to_string(t_dsp_halvane_params::kPresetBytes));
    }
    return params.get_config();
}

HVLIB_CONFIG DefaultSettings() { return t_dsp_halvane_params::g_default().get_config(); }

void StoreSettings(const HVLIB_CONFIG& cfg, dsp_preset& out) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.get_config() = cfg;
    params.get_data(out);
}
