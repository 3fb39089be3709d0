// halvane configure [--preset FILE]: the configuration dialog on its own, editing a preset
// file. OK writes the file (atomically) when the settings changed; Cancel leaves it untouched.
// Without --preset the dialog edits the default settings and OK prints the result.
#include <cstdio>

#include "app/AppError.h"
#include "app/Commands.h"
#include "app/DialogAvailability.h"
#include "app/HostOptions.h"
#include "app/PresetEditing.h"
#include "app/PresetFile.h"
#include "host/dsp_halvane_params.h"

int RunConfigure(CommandArgs args) {
    const OptionSpec specs[] = {{"preset", true, false}, kComponentOption};
    ParsedArgs parsed = ParseArgs(args, specs);
    RequirePositional(parsed, 0, "halvane configure [--preset FILE] [--component PATH]");
    const std::optional<std::string> path = parsed.Value("preset");

    if (!DialogCanShow()) throw Failure("no display for the configuration dialog (set DISPLAY or WAYLAND_DISPLAY)");
    ModuleHost module(ModulePathOption(parsed));
    service_ptr_t<dsp_entry_v2> entry = module.FindDspEntry(HALVANE_GUID);
    if (path) {
        const bool saved = EditPresetFile(*entry, *path);
        entry.release();
        if (saved) std::printf("saved '%s'\n", path->c_str());
        else std::printf("settings unchanged, '%s' left as it was\n", path->c_str());
        return kExitOk;
    }

    dsp_preset_impl preset;
    StoreSettings(DefaultSettings(), preset);
    const bool changed = entry->show_config_popup(preset, nullptr);
    entry.release();
    if (!changed) {
        std::printf("settings unchanged\n");
        return kExitOk;
    }
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.set_data(preset);
    for (int w = 0; w < kHVConfigWords; ++w) {
        const uint32_t v = HVConfigWord(params.get_config(), w);
        if (HVConfigWordIsSigned(w)) std::printf("%s=%d\n", kHVConfigFieldNames[w], int32_t(v));
        else std::printf("%s=%u\n", kHVConfigFieldNames[w], v);
    }
    return kExitOk;
}
