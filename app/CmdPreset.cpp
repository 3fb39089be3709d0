// halvane preset show FILE | halvane preset save FILE [settings options]
#include "app/AppError.h"
#include "app/Commands.h"
#include "app/PresetFile.h"
#include "app/SettingsArgs.h"
#include "sdk/dsp_preset.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = "halvane preset show FILE | halvane preset save FILE [--preset FILE] [--set FIELD=VALUE]...";

// One "FIELD=VALUE" line per word in record order; n-fields signed, the others unsigned.
std::string FormatSettings(const HVLIB_CONFIG& cfg) {
    std::string text;
    for (int w = 0; w < kHVConfigWords; ++w) {
        uint32_t v = HVConfigWord(cfg, w);
        text += kHVConfigFieldNames[w];
        text += '=';
        text += HVConfigWordIsSigned(w) ? std::to_string(int32_t(v)) : std::to_string(v);
        text += '\n';
    }
    return text;
}

int Show(CommandArgs args) {
    ParsedArgs parsed = ParseArgs(args, {});
    RequirePositional(parsed, 1, kUsage);
    HVLIB_CONFIG cfg = LoadPresetSettings(parsed.positional[0]);
    std::fputs(FormatSettings(cfg).c_str(), stdout);
    return kExitOk;
}

int Save(CommandArgs args) {
    ParsedArgs parsed = ParseArgs(args, kSettingsOptions);
    RequirePositional(parsed, 1, kUsage);
    HVLIB_CONFIG cfg = BuildSettings(parsed);
    dsp_preset_impl preset;
    StoreSettings(cfg, preset);
    WritePresetFile(parsed.positional[0], preset);
    return kExitOk;
}

}  // namespace

int RunPreset(CommandArgs args) {
    if (args.empty()) throw UsageError(std::string("usage: ") + kUsage);
    if (args[0] == "show") return Show(args.subspan(1));
    if (args[0] == "save") return Save(args.subspan(1));
    throw UsageError("unknown preset command '" + args[0] + "'; usage: " + kUsage);
}
