#include "app/PlayStatusLine.h"

#include <cstdio>

namespace {

const char* ModeName(uint32_t mode) {
    switch (mode) {
        case 0: return "Bypass";
        case 1: return "Passive";
        case 2: return "Halvane-HV";
        case 3: return "Headphone";
        case 4: return "Encoder";
        default: return "?";
    }
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FormatPlayTime(uint64_t frames, uint32_t rate) {
    if (rate == 0) return "-:--";
    const uint64_t t = frames / rate;
    char buf[32];
    if (t >= 3600)
        std::snprintf(buf, sizeof buf, "%llu:%02u:%02u", (unsigned long long)(t / 3600), unsigned(t / 60 % 60),
                      unsigned(t % 60));
    else
        std::snprintf(buf, sizeof buf, "%u:%02u", unsigned(t / 60), unsigned(t % 60));
    return buf;
}

std::string FormatPlayStatus(const PlayerStatus& s, uint32_t mode, const EngineState& engine) {
    std::string line = s.finished ? "# " : s.paused ? "|| paused " : "> ";
    line += FormatPlayTime(s.positionFrames, s.rate) + " / " + FormatPlayTime(s.lengthFrames, s.rate);
    line += "  [" + std::to_string(s.trackCount ? s.track + 1 : 0) + "/" + std::to_string(s.trackCount) + "] ";
    line += BaseName(s.trackName);
    line += "  " + std::to_string(s.rate) + " Hz " + std::to_string(s.inChannels) + " ch -> ";
    line += s.outChannels ? std::to_string(s.outChannels) + " ch" : std::string("-");
    line += "  ";
    line += ModeName(mode);
    if (engine.known) {
        line += "  | engine: ";
        line += engine.playing ? "playing" : "stopped";
        line += ", " + std::to_string(engine.channels) + " ch, " + std::to_string(engine.rate) + " Hz";
    }
    return line;
}
