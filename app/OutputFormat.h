// How `halvane render` encodes its output: the container, the sample format, the gain before
// writing and the dither when the word length is reduced.
//
// The container comes from --type or else from the output name's extension (.wav, .flac,
// .aiff/.aif, .caf, .w64, .au/.snd, .raw; another one is a usage error); '-', names without
// an extension and existing FIFOs and devices get WAV.
// Samples: --float (32-bit IEEE) or --bits 16|24|32 (integer PCM); by default float where the
// container holds float, else 24 bits (FLAC). TPDF dither of +-1 LSB is added when reducing
// to fewer than 24 bits unless --no-dither is given. Combinations a container cannot hold are
// usage errors.
#pragma once

#include <string>

#include "app/CliArgs.h"

enum class Container { Wav, Flac, Aiff, Caf, W64, Au, Raw };

struct OutputFormat {
    Container container = Container::Wav;
    bool floatSamples = true;
    int bits = 32;  // 16, 24 or 32
    bool dither = true;
    double gainDb = 0.0;

    // The libsndfile format word (major | subtype); WAV is RF64 that falls back to plain WAV
    // while the data fits 4 GiB.
    int SndfileFormat() const;
    // Whether the container can be written to a pipe or device that cannot seek.
    bool Streamable() const;
    bool Dithered() const { return !floatSamples && bits < 24 && dither; }
};

// The options of OutputFormat, to merge into the render command's table.
extern const OptionSpec kOutputFormatOptions[5];

// Reads the options above for the output `path`; throws UsageError on bad values.
OutputFormat OutputFormatOptions(const ParsedArgs& parsed, const std::string& path);

// "wav", "flac", ... for messages.
const char* ContainerName(Container c);
