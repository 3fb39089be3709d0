// Options shared by the commands that load the component, and the step every one of them
// takes: an instance of the surround DSP created from a settings record through the module's
// DSP entry service.
#pragma once

#include "app/CliArgs.h"
#include "app/ModuleHost.h"
#include "engine/HVConfig.h"
#include "sdk/dsp.h"

#include <cstdint>
#include <string>

inline constexpr OptionSpec kComponentOption = {"component", true, false};
inline constexpr OptionSpec kChunkOption = {"chunk", true, false};
// Largest host chunk accepted by --chunk (frames).
inline constexpr long long kMaxChunkFrames = 1 << 22;

// --component PATH, or the module built beside this program.
std::string ModulePathOption(const ParsedArgs& parsed);
// --chunk FRAMES (1 .. kMaxChunkFrames), default 4096; usage error otherwise.
uint64_t ChunkFramesOption(const ParsedArgs& parsed);

// Finds the surround DSP's entry in the module and instantiates it from `settings` written as
// a preset. Throws Failure when the module has no such DSP or refuses the preset.
service_ptr_t<dsp_v2> InstantiateSurroundDsp(ModuleHost& module, const HVLIB_CONFIG& settings);

// SIGINT, SIGTERM and SIGHUP stop a running render cleanly (its temporary output is removed,
// the exit status is 128 + the signal).
void InstallRenderStopHandlers();
