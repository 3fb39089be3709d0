// The settings options of `render` and `preset save`: --preset FILE, --set FIELD=VALUE and
// --mode NAME, turned into one HVLIB_CONFIG record.
//
// Order: the record starts from the defaults, or from the preset file when --preset is given
// (read through the preset reader, so its repair rules apply and a rejected preset is an
// error); then every --set and --mode in command-line order, the last word wins.
// --set takes a decimal over the field's whole 32-bit type: 0..4294967295 for unsigned and
// boolean fields, -2147483648..2147483647 for the signed (n) fields; it is stored as given,
// without repair (the DSP's preset reader repairs it when the preset is read).
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

// Parses "FIELD=VALUE". A missing '=' is a usage error (2); an unknown field or a value
// outside the field's type is bad input (1).
FieldAssignment ParseFieldAssignment(const std::string& text);

// Maps a --mode name (bypass, passive, hv, headphone, encoder) to dwMode; usage error otherwise.
uint32_t ParseModeName(const std::string& name);

// Builds the record from the parsed options (see the order above).
HVLIB_CONFIG BuildSettings(const ParsedArgs& parsed);
