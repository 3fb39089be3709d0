#include "app/SettingsFields.h"

#include "app/PresetFile.h"
#include "engine/HVConfig.h"

namespace {

const SettingsFieldInfo kFields[kHVConfigWords] = {
    {"dwMode", "", 0, 4, "0 bypass, 1 passive matrix, 2 steered decoder, 3 headphone, 4 encoder"},
    {"nMasterGain", "dB", -6, 6, "gain of every output channel"},
    {"dwSurroundMode", "", 0, 1, "steered decoder flavour: 0 Movie, 1 Music"},
    {"dwCentreWeight", "%", 0, 100, "share of the decoded centre kept in C (Music)"},
    {"dwSurroundDelayMusic", "ms", 0, 100, "surround delay of the Music decoder"},
    {"dwSurroundDelayMovie", "ms", 10, 100, "surround delay of the Movie decoder"},
    {"bMusicSurroundShelf", "", 0, 1, "7 kHz low-pass on the surrounds of the Music decoder"},
    {"dwHeadphonesMode", "", 0, 1, "headphone response set: 0 Music, 1 Movie"},
    {"bHeadphonesDecodeMusic", "", 0, 1, "headphone Music set decodes stereo to surround first"},
    {"bHeadphonesDecodeMovie", "", 0, 1, "headphone Movie set decodes stereo to surround first"},
    {"uOperations", "", 0, 4294967295LL, "reserved, kept as given"},
    {"dwDelayL", "ms", 0, 100, "room delay of front left"},
    {"dwDelayR", "ms", 0, 100, "room delay of front right"},
    {"dwDelayC", "ms", 0, 100, "room delay of centre"},
    {"dwDelaySub", "ms", 0, 100, "room delay of the LFE"},
    {"dwDelaySL", "ms", 0, 100, "room delay of surround left"},
    {"dwDelaySR", "ms", 0, 100, "room delay of surround right"},
    {"nTrimL", "dB", -12, 12, "trim of front left"},
    {"nTrimR", "dB", -12, 12, "trim of front right"},
    {"nTrimC", "dB", -12, 12, "trim of centre"},
    {"nTrimSub", "dB", -12, 12, "trim of the LFE"},
    {"nTrimSL", "dB", -12, 12, "trim of surround left"},
    {"nTrimSR", "dB", -12, 12, "trim of surround right"},
    {"bLFERedir", "", 0, 1, "move the bass of L, R and C into the LFE"},
    {"bLFEInvert", "", 0, 1, "negate the LFE"},
    {"dwLFECutoff", "Hz", 20, 200, "crossover of the bass redirection"},
    {"bSSE2", "", 0, 1, "use the SSE2 kernels when the processor has them"},
    {"bCUDA", "", 0, 1, "use the GPU for the headphone convolution when present"},
};

}  // namespace

const SettingsFieldInfo& SettingsField(int word) {
    return kFields[word];
}

std::string SettingsFieldsHelp() {
    const HVLIB_CONFIG defaults = DefaultSettings();
    std::string text;
    for (int w = 0; w < kHVConfigWords; ++w) {
        const SettingsFieldInfo& f = kFields[w];
        const uint32_t bits = HVConfigWord(defaults, w);
        const long long def = HVConfigWordIsSigned(w) ? (long long)int32_t(bits) : (long long)bits;
        std::string line = "  " + std::string(f.name);
        line.resize(26, ' ');
        line += std::to_string(f.minValue) + ".." + std::to_string(f.maxValue);
        if (*f.unit) line += std::string(" ") + f.unit;
        line += ", default " + std::to_string(def) + ": " + f.meaning + "\n";
        text += line;
    }
    return text;
}
