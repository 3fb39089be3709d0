// What the command line tells and accepts about each settings word: its unit, the range a
// --set value must lie in, the default and a one-line description, in record word order.
//
// The ranges are those the DSP's preset reader repairs into (values from preset files keep
// being repaired; the command line refuses what lies outside instead). uOperations is
// reserved and takes any unsigned 32-bit value.
#pragma once

#include <string>

struct SettingsFieldInfo {
    const char* name;
    const char* unit;  // "" for plain numbers and switches
    long long minValue, maxValue;
    const char* meaning;
};

// The word's entry (0..27).
const SettingsFieldInfo& SettingsField(int word);

// One help line per field: "  nMasterGain  -6..6 dB, default 0: ...".
std::string SettingsFieldsHelp();
