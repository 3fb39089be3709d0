// Preset files: what `halvane preset save` writes and --preset reads.
//
// Layout: the owner GUID as 16 bytes in the usual binary GUID layout (Data1 u32 LE, Data2 u16
// LE, Data3 u16 LE, Data4 as written), then the preset's data bytes (the rest of the file).
// A file shorter than 16 bytes is not a preset file.
#pragma once

#include "engine/HVConfig.h"
#include "sdk/dsp_preset.h"

#include <string>

// Reads `path` into `out`; throws Failure when the file cannot be read or is under 16 bytes.
void ReadPresetFile(const std::string& path, dsp_preset& out);
// Writes `preset` to `path` atomically; throws Failure when it cannot.
void WritePresetFile(const std::string& path, const dsp_preset& preset);

// Reads a preset file through the DSP's preset reader into a default record. A preset the
// reader rejects (another owner, data not exactly 112 bytes) throws Failure with the reason.
HVLIB_CONFIG LoadPresetSettings(const std::string& path);

// The record the DSP starts from when no preset says otherwise.
HVLIB_CONFIG DefaultSettings();
// Writes `cfg` into `out` as this DSP's preset (owner HALVANE_GUID, the 112-byte record).
void StoreSettings(const HVLIB_CONFIG& cfg, dsp_preset& out);
