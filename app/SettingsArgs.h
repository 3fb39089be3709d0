// The settings options of `render` and `preset save`: --preset FILE, --set FIELD=VALUE and
// --mode NAME, turned into one HVLIB_CONFIG record.
//
// Order: the record starts from the defaults, or from the preset file when --preset is given
// (read through the preset reader, so its repair rules apply and a rejected preset is an
// error); then every --set and --mode in command-line order, the last word wins.
// --set takes a decimal within the field's range (SettingsFields.h); anything else is refused,
// never repaired. Presets read from files keep the DSP's repair rules.
#pragma once

#include "app/CliArgs.h"
#include "engine/HVConfig.h"

#include <cstdint>
#include <string>

// Option specs to merge into a command's table.
extern const OptionSpec kSettingsOptions[3];

struct FieldAssignment {
    int word;
    uint32_t value;  // the word's bits (two's complement for signed fields)
};

// Parses "FIELD=VALUE". A missing '=', an unknown field (the message lists the names), a value
// that is not a whole number ("not a number") or one outside the field's range (the message
// names the field and its range) are usage errors (2).
FieldAssignment ParseFieldAssignment(const std::string& text);

// Maps a --mode name (bypass, passive, hv, headphone, encoder) to dwMode; usage error otherwise.
uint32_t ParseModeName(const std::string& name);

// Builds the record from the parsed options (see the order above).
HVLIB_CONFIG BuildSettings(const ParsedArgs& parsed);
