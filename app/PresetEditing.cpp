#include "app/PresetEditing.h"

#include <sys/stat.h>

#include "app/PresetFile.h"

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

bool EditPresetFile(dsp_entry& entry, const std::string& path) {
    const HVLIB_CONFIG settings = Exists(path) ? LoadPresetSettings(path) : DefaultSettings();
    dsp_preset_impl preset;
    StoreSettings(settings, preset);
    if (!entry.show_config_popup(preset, nullptr)) return false;
    WritePresetFile(path, preset);
    return true;
}
