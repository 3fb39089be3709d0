#include "app/OutputFormat.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <cctype>
#include <charconv>

#include "app/AppError.h"

const OptionSpec kOutputFormatOptions[5] = {
    {"type", true, false},       {"bits", true, false}, {"float", false, false},
    {"no-dither", false, false}, {"gain", true, false},
};

namespace {

struct ContainerName_ {
    const char* name;
    Container container;
};
const ContainerName_ kNames[] = {
    {"wav", Container::Wav},  {"flac", Container::Flac}, {"aiff", Container::Aiff},
    {"aif", Container::Aiff}, {"caf", Container::Caf},   {"w64", Container::W64},
    {"au", Container::Au},    {"snd", Container::Au},    {"raw", Container::Raw}};

bool ByName(std::string name, Container& out) {
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const ContainerName_& n : kNames)
        if (name == n.name) {
            out = n.container;
            return true;
        }
    return false;
}

int MajorFormat(Container c) {
    switch (c) {
        case Container::Wav:
            return SF_FORMAT_RF64;
        case Container::Flac:
            return SF_FORMAT_FLAC;
        case Container::Aiff:
            return SF_FORMAT_AIFF;
        case Container::Caf:
            return SF_FORMAT_CAF;
        case Container::W64:
            return SF_FORMAT_W64;
        case Container::Au:
            return SF_FORMAT_AU;
        case Container::Raw:
            return SF_FORMAT_RAW;
    }
    return SF_FORMAT_RF64;
}

}  // namespace

const char* ContainerName(Container c) {
    for (const ContainerName_& n : kNames)
        if (n.container == c) return n.name;
    return "?";
}

int OutputFormat::SndfileFormat() const {
    int sub = floatSamples ? SF_FORMAT_FLOAT
              : bits == 16 ? SF_FORMAT_PCM_16
              : bits == 24 ? SF_FORMAT_PCM_24
                           : SF_FORMAT_PCM_32;
    return MajorFormat(container) | sub;
}

bool OutputFormat::Streamable() const {
    return container == Container::Wav || container == Container::Flac || container == Container::Au ||
           container == Container::Raw;
}

OutputFormat OutputFormatOptions(const ParsedArgs& parsed, const std::string& path) {
    OutputFormat f;
    if (auto type = parsed.Value("type")) {
        if (!ByName(*type, f.container))
            throw UsageError("--type must be one of wav, flac, aiff, caf, w64, au, raw; not '" + *type + "'");
    } else {
        const size_t slash = path.rfind('/');
        const size_t dot = path.rfind('.');
        // Devices, FIFOs (and directories, refused later) are named for what they are, not
        // for a format: their extension says nothing.
        struct stat st {};
        const bool special = stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
        if (path != "-" && !special && dot != std::string::npos &&
            (slash == std::string::npos || dot > slash)) {
            const std::string ext = path.substr(dot + 1);
            if (!ByName(ext, f.container))
                throw UsageError("cannot tell the output format from '." + ext + "'; name one with --type");
        }
    }
    const bool holdsFloat = f.container != Container::Flac;
    const auto bits = parsed.Value("bits");
    if (bits && parsed.Has("float")) throw UsageError("--bits and --float exclude each other");
    if (bits) {
        if (*bits != "16" && *bits != "24" && *bits != "32")
            throw UsageError("--bits must be 16, 24 or 32, not '" + *bits + "'");
        f.floatSamples = false;
        f.bits = std::stoi(*bits);
        if (f.container == Container::Flac && f.bits == 32)
            throw UsageError("FLAC holds 16 or 24 bits, not 32");
    } else if (parsed.Has("float")) {
        if (!holdsFloat) throw UsageError("FLAC holds no float samples; use --bits 16 or 24");
    } else if (!holdsFloat) {
        f.floatSamples = false;
        f.bits = 24;
    }
    f.dither = !parsed.Has("no-dither");
    if (auto gain = parsed.Value("gain")) {
        const char* first = gain->data();
        const char* last = first + gain->size();
        auto [end, ec] = std::from_chars(first, last, f.gainDb);
        if (gain->empty() || ec != std::errc() || end != last)
            throw UsageError("--gain: '" + *gain + "' is not a number (dB)");
        if (f.gainDb < -100.0 || f.gainDb > 40.0)
            throw UsageError("--gain " + *gain + " is out of range: -100..40 dB");
    }
    return f;
}
