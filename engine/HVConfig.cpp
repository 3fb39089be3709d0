#include "engine/HVConfig.h"

#include <cstring>

const char* const kHVConfigFieldNames[kHVConfigWords] = {
    "dwMode",        "nMasterGain",  "dwSurroundMode", "dwCentreWeight", "dwSurroundDelayMusic",
    "dwSurroundDelayMovie", "bMusicSurroundShelf", "dwHeadphonesMode", "bHeadphonesDecodeMusic",
    "bHeadphonesDecodeMovie", "uOperations", "dwDelayL", "dwDelayR", "dwDelayC", "dwDelaySub",
    "dwDelaySL",     "dwDelaySR",    "nTrimL",         "nTrimR",         "nTrimC",
    "nTrimSub",      "nTrimSL",      "nTrimSR",        "bLFERedir",      "bLFEInvert",
    "dwLFECutoff",   "bSSE2",        "bCUDA"};

uint32_t HVConfigWord(const HVLIB_CONFIG& cfg, int word) {
    uint32_t v;
    std::memcpy(&v, reinterpret_cast<const char*>(&cfg) + 4 * word, 4);
    return v;
}

void HVSetConfigWord(HVLIB_CONFIG& cfg, int word, uint32_t value) {
    std::memcpy(reinterpret_cast<char*>(&cfg) + 4 * word, &value, 4);
}

bool HVConfigWordIsSigned(int word) { return kHVConfigFieldNames[word][0] == 'n'; }

int HVConfigFieldIndex(const char* name) {
    for (int i = 0; i < kHVConfigWords; ++i)
        if (std::strcmp(kHVConfigFieldNames[i], name) == 0) return i;
    return -1;
}
