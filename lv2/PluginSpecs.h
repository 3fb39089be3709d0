// The four plugins of the bundle as data: URIs, audio ports, control ports with their ranges.
//
// The same table drives the plugin code (port indices, clamping) and the bundle's Turtle
// description (lv2/make_ttl.cpp), so the two cannot disagree.
//
// Port order of every plugin: audio inputs, audio outputs, the settings controls, then
// output_gain, enabled, and for the headphone plugins latency (output) and block.
#pragma once

#include <cstdint>

namespace halvane::lv2 {

enum class ControlType : uint8_t { Integer, Toggle, Enumeration };
enum class Unit : uint8_t { None, Db, Ms, Hz, Percent };

// One control input that carries a settings field of the same name.
struct SettingPort {
    const char* symbol;  // the settings field name, e.g. "dwCentreWeight"
    const char* name;    // label in a host's plugin browser
    ControlType type;
    Unit unit;
    int32_t min, max, def;
    const char* const* labels;  // Enumeration: one label per value min..max
};

struct PluginSpec {
    const char* uri;
    const char* name;
    const char* slug;        // C identifier part for the Turtle subjects
    uint32_t mode;           // the settings' dwMode (upmix: taken from its dwMode port)
    uint32_t inChannels;     // 2 or 6
    uint32_t outChannels;    // 2 or 6
    const char* const* inSymbols;
    const char* const* outSymbols;
    const char* const* inNames;
    const char* const* outNames;
    const SettingPort* settings;
    uint32_t settingCount;
    bool headphone;  // has the latency and block ports
};

constexpr uint32_t kPluginCount = 4;
const PluginSpec& Plugin(uint32_t i);
const PluginSpec* FindPlugin(const char* uri);

// Port indices after the audio ports.
inline uint32_t AudioPortCount(const PluginSpec& p) { return p.inChannels + p.outChannels; }
inline uint32_t OutputGainPort(const PluginSpec& p) { return AudioPortCount(p) + p.settingCount; }
inline uint32_t EnabledPort(const PluginSpec& p) { return OutputGainPort(p) + 1; }
inline uint32_t LatencyPort(const PluginSpec& p) { return EnabledPort(p) + 1; }  // headphone only
inline uint32_t BlockPort(const PluginSpec& p) { return EnabledPort(p) + 2; }    // headphone only
inline uint32_t PortCount(const PluginSpec& p) { return EnabledPort(p) + 1 + (p.headphone ? 2 : 0); }

// Ranges of the extra controls.
constexpr float kOutputGainMin = -30.0f, kOutputGainMax = 12.0f, kOutputGainDefault = 0.0f;
constexpr int32_t kBlockMin = 64, kBlockMax = 8192, kBlockDefault = 8192;

// Lowest and highest rate any plugin instantiates at.
constexpr double kMinRate = 8000.0, kMaxRate = 384000.0;

}  // namespace halvane::lv2
