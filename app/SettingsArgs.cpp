#include "app/SettingsArgs.h"

#include "app/AppError.h"
#include "app/PresetFile.h"
#include "app/SettingsFields.h"

#include <charconv>
#include <cstring>

const OptionSpec kSettingsOptions[3] = {
    {"preset", true, false},
    {"set", true, true},
    {"mode", true, true},
};

FieldAssignment ParseFieldAssignment(const std::string& text) {
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        throw UsageError("--set expects FIELD=VALUE, not '" + text + "'");
    std::string field = text.substr(0, eq);
    std::string value = text.substr(eq + 1);
    int word = HVConfigFieldIndex(field.c_str());
    if (word < 0) {
        std::string names;
        for (int w = 0; w < kHVConfigWords; ++w) names += std::string(w ? ", " : "") + kHVConfigFieldNames[w];
        throw UsageError("unknown settings field '" + field + "' (fields: " + names + ")");
    }
    const SettingsFieldInfo& info = SettingsField(word);
    long long parsed = 0;
    const char* first = value.data();
    const char* last = first + value.size();
    // Plain decimal digits with an optional leading '-': no '+', spaces, hex or fractions.
    auto [end, ec] = std::from_chars(first, last, parsed);
    const std::string range = std::to_string(info.minValue) + ".." + std::to_string(info.maxValue) +
                              (*info.unit ? std::string(" ") + info.unit : std::string());
    if (value.empty() || end != last || (ec != std::errc() && ec != std::errc::result_out_of_range))
        throw UsageError("--set " + field + ": '" + value + "' is not a number (" + field + " takes " + range + ")");
    if (ec == std::errc::result_out_of_range || parsed < info.minValue || parsed > info.maxValue)
        throw UsageError("--set " + field + "=" + value + " is out of range: " + field + " takes " + range);
    return {word, static_cast<uint32_t>(parsed)};
}

uint32_t ParseModeName(const std::string& name) {
    static const char* const kNames[] = {"bypass", "passive", "hv", "headphone", "encoder"};
    for (uint32_t i = 0; i < 5; ++i)
        if (name == kNames[i]) return i;
    throw UsageError("--mode must be one of passive, hv, headphone, encoder, bypass; not '" +
                     name + "'");
}

HVLIB_CONFIG BuildSettings(const ParsedArgs& parsed) {
    HVLIB_CONFIG cfg = DefaultSettings();
    if (auto presetPath = parsed.Value("preset")) cfg = LoadPresetSettings(*presetPath);
    for (const ParsedOption& o : parsed.options) {
        if (o.name == "set") {
            FieldAssignment a = ParseFieldAssignment(o.value);
            HVSetConfigWord(cfg, a.word, a.value);
        } else if (o.name == "mode") {
            cfg.dwMode = ParseModeName(o.value);
        }
    }
    return cfg;
}
