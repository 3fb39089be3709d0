#include "lv2/PluginSpecs.h"

#include <cstring>

namespace halvane::lv2 {
namespace {

const char* const kStereoIn[] = {"in_l", "in_r"};
const char* const kStereoOut[] = {"out_l", "out_r"};
const char* const kStereoInNames[] = {"Left in", "Right in"};
const char* const kStereoOutNames[] = {"Left out", "Right out"};
const char* const kSixIn[] = {"in_fl", "in_fr", "in_fc", "in_lfe", "in_sl", "in_sr"};
const char* const kSixOut[] = {"out_fl", "out_fr", "out_fc", "out_lfe", "out_sl", "out_sr"};
const char* const kSixInNames[] = {"Front left in", "Front right in", "Centre in",
                                   "LFE in",        "Surround left in", "Surround right in"};
const char* const kSixOutNames[] = {"Front left",  "Front right",   "Centre",
                                    "LFE",         "Surround left", "Surround right"};

const char* const kDecoderLabels[] = {"Passive", "Steered"};          // dwMode 1, 2
const char* const kFlavourLabels[] = {"Movie", "Music"};              // dwSurroundMode 0, 1
const char* const kResponseLabels[] = {"Music", "Movie"};             // dwHeadphonesMode 0, 1

using T = ControlType;
using U = Unit;

const SettingPort kUpmixSettings[] = {
    {"dwMode", "Decoder", T::Enumeration, U::None, 1, 2, 2, kDecoderLabels},
    {"dwSurroundMode", "Steering flavour", T::Enumeration, U::None, 0, 1, 1, kFlavourLabels},
    {"dwCentreWeight", "Centre weight (Music)", T::Integer, U::Percent, 0, 100, 100, nullptr},
    {"dwSurroundDelayMusic", "Surround delay (Music)", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"dwSurroundDelayMovie", "Surround delay (Movie)", T::Integer, U::Ms, 10, 100, 10, nullptr},
    {"bMusicSurroundShelf", "Surround 7 kHz shelf (Music)", T::Toggle, U::None, 0, 1, 0, nullptr},
    {"nMasterGain", "Master gain", T::Integer, U::Db, -6, 6, 0, nullptr},
    {"dwDelayL", "Delay front left", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"dwDelayR", "Delay front right", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"dwDelayC", "Delay centre", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"dwDelaySub", "Delay LFE", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"dwDelaySL", "Delay surround left", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"dwDelaySR", "Delay surround right", T::Integer, U::Ms, 0, 100, 0, nullptr},
    {"nTrimL", "Trim front left", T::Integer, U::Db, -12, 12, 0, nullptr},
    {"nTrimR", "Trim front right", T::Integer, U::Db, -12, 12, 0, nullptr},
    {"nTrimC", "Trim centre", T::Integer, U::Db, -12, 12, 0, nullptr},
    {"nTrimSub", "Trim LFE", T::Integer, U::Db, -12, 12, 0, nullptr},
    {"nTrimSL", "Trim surround left", T::Integer, U::Db, -12, 12, 0, nullptr},
    {"nTrimSR", "Trim surround right", T::Integer, U::Db, -12, 12, 0, nullptr},
    {"bLFERedir", "Bass to LFE", T::Toggle, U::None, 0, 1, 0, nullptr},
    {"bLFEInvert", "Invert LFE", T::Toggle, U::None, 0, 1, 0, nullptr},
    {"dwLFECutoff", "LFE crossover", T::Integer, U::Hz, 20, 200, 120, nullptr},
};

const SettingPort kHeadphoneSettings[] = {
    {"dwHeadphonesMode", "Room response", T::Enumeration, U::None, 0, 1, 0, kResponseLabels},
    {"nMasterGain", "Master gain", T::Integer, U::Db, -6, 6, 0, nullptr},
};

const SettingPort kHeadphoneStereoSettings[] = {
    {"dwHeadphonesMode", "Room response", T::Enumeration, U::None, 0, 1, 0, kResponseLabels},
    {"nMasterGain", "Master gain", T::Integer, U::Db, -6, 6, 0, nullptr},
    {"bHeadphonesDecodeMusic", "Spread stereo to 5.0 (Music)", T::Toggle, U::None, 0, 1, 1, nullptr},
    {"bHeadphonesDecodeMovie", "Spread stereo to 5.0 (Movie)", T::Toggle, U::None, 0, 1, 1, nullptr},
};

template <class A, uint32_t N>
constexpr uint32_t Count(const A (&)[N]) { return N; }

// The matrix encoder reads no setting beyond its mode: only the common controls.
const PluginSpec kPlugins[kPluginCount] = {
    {"urn:halvane:upmix", "Halvane Upmix (stereo to 5.1)", "upmix", 2, 2, 6, kStereoIn, kSixOut,
     kStereoInNames, kSixOutNames, kUpmixSettings, Count(kUpmixSettings), false},
    {"urn:halvane:encoder", "Halvane Encoder (5.1 to matrix stereo)", "encoder", 4, 6, 2, kSixIn,
     kStereoOut, kSixInNames, kStereoOutNames, nullptr, 0, false},
    {"urn:halvane:headphone", "Halvane Headphones (5.1 binaural)", "headphone", 3, 6, 2, kSixIn,
     kStereoOut, kSixInNames, kStereoOutNames, kHeadphoneSettings, Count(kHeadphoneSettings), true},
    {"urn:halvane:headphone-stereo", "Halvane Headphones (stereo binaural)", "headphone_stereo", 3, 2, 2,
     kStereoIn, kStereoOut, kStereoInNames, kStereoOutNames, kHeadphoneStereoSettings,
     Count(kHeadphoneStereoSettings), true},
};

}  // namespace

const PluginSpec& Plugin(uint32_t i) { return kPlugins[i]; }

const PluginSpec* FindPlugin(const char* uri) {
    for (const PluginSpec& p : kPlugins)
        if (std::strcmp(p.uri, uri) == 0) return &p;
    return nullptr;
}

}  // namespace halvane::lv2
