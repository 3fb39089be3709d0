// The headphone options of `render` and `play`: --hrir FILE (HeSuVi WAV or SOFA responses),
// --hrir-level stored|match (as stored, the default, or matched to the built-in bank's
// loudness) and --hp-block N (first block of the convolution: a power of two from 64 to
// 8192; default 8192). They reach the component's engine through its
// halvane_headphone_options service.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/CliArgs.h"
#include "app/ModuleHost.h"

inline constexpr OptionSpec kHeadphoneOptionSpecs[] = {
    {"hrir", true, false}, {"hrir-level", true, false}, {"hp-block", true, false}};

struct HeadphoneRequest {
    std::string hrir;  // empty: the built-in bank
    bool matchLevel = false;
    std::optional<uint32_t> block;  // unset: the component's default
    bool Any() const { return !hrir.empty() || block.has_value(); }
};

// Reads the options; a malformed value is a usage error (exit status 2).
HeadphoneRequest ParseHeadphoneOptions(const ParsedArgs& parsed);

// Hands the request to the module (nothing to do for an empty one). A response file that
// cannot be used throws Failure (exit status 1) with the module's one line "FILE: reason";
// a note about the file goes to stderr as a warning.
void ApplyHeadphoneOptions(ModuleHost& module, const HeadphoneRequest& request);
