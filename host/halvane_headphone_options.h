// halvane_headphone_options: the headphone responses and first block of the component's
// engine, for host programs that offer them (the command line's --hrir, --hrir-level and
// --hp-block). The module reads the response file itself, so a host passes a path only.
// Changes take effect at the next chunk and clear the headphone history; call them before
// playback starts (any thread: they wait for a chunk in progress).
#pragma once

#include <cstdint>

#include "sdk/pfc_string.h"
#include "sdk/service.h"
#include "sdk/service_factory.h"

class halvane_headphone_options : public service_base {
    HV_SERVICE_INTERFACE(halvane_headphone_options, service_base, halvane_headphone_options,
                         (GUID{0x57eb798d, 0x1ba0, 0x465d, {0x8a, 0xc3, 0xbe, 0x54, 0x4e, 0x1a, 0x2d, 0x3d}}))

    // Loads a HeSuVi WAV (14 or 7 channels) or SOFA file as the responses of both flavours;
    // with `matchLevel` the set is scaled once to the built-in bank's loudness. An empty path
    // goes back to the built-in bank. On failure returns false, keeps the responses in force
    // and sets `error` to one line "FILE: reason"; on success `note` holds a line worth
    // showing (the file's ears were exchanged), or nothing.
    virtual bool SetResponseFile(const char* path, bool matchLevel, pfc::string_base& error,
                                 pfc::string_base& note) = 0;
    // The first block of the convolution, a power of two from 64 to 8192 (default 8192);
    // false for any other value, nothing changed.
    virtual bool SetBlock(uint32_t frames) = 0;
    virtual uint32_t GetBlock() = 0;
    // True while the built-in bank is in use.
    virtual bool UsesBuiltinResponses() = 0;
};

// Module side.
class halvane_headphone_options_impl : public halvane_headphone_options {
  public:
    bool SetResponseFile(const char* path, bool matchLevel, pfc::string_base& error,
                         pfc::string_base& note) override;
    bool SetBlock(uint32_t frames) override;
    uint32_t GetBlock() override;
    bool UsesBuiltinResponses() override;
};
