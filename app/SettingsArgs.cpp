#include "app/SettingsArgs.h"

#include "app/AppError.h"
#include "app/PresetFile.h"

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
    if (word < 0) throw Failure("unknown settings field '" + field + "'");

    const bool isSigned = HVConfigWordIsSigned(word);
    const long long lo = isSigned ? -2147483648LL : 0;
    const long long hi = isSigned ? 2147483647LL : 4294967295LL;
    long long parsed = 0;
    const char* first = value.data();
    const char* last = first + value.size();
    // from_chars accepts a leading '-' only; an unsigned field takes digits alone.
    bool digitsOnly = !value.empty() && (isSigned || value[0] != '-');
    auto [end, ec] = std::from_chars(first, last, parsed);
    if (!digitsOnly || ec != std::errc() || end != last || parsed < lo || parsed > hi)
        throw Failure("value '" + value + "' is out of range for " + field + " (" +
                      (isSigned ? "signed" : "unsigned") + " 32-bit: " + std::to_string(lo) +
                      " to " + std::to_string(hi) + ")");
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
