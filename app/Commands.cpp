#include "app/Commands.h"

const CommandInfo kCommands[] = {
    {"render", "render IN|- OUT|- [--preset FILE] [--set FIELD=VALUE]... [--mode passive|hv|headphone|encoder|bypass] [--type TYPE] [--bits 16|24|32 | --float] [--no-dither] [--gain DB] [--chunk FRAMES] [--raw] [--component PATH]", RunRender},
    {"preset", "preset show FILE | preset save FILE [--preset FILE] [--set FIELD=VALUE]... [--mode NAME]", RunPreset},
    {"info", "info [--component PATH]", RunInfo},
    {"demo", "demo OUTDIR [--chunk FRAMES] [--component PATH]", RunDemo},
    {"play", "play FILE... [--output DEVICE|null] [--preset FILE] [--configure] [--chunk FRAMES] [--component PATH]", RunPlay},
    {"configure", "configure [--preset FILE] [--component PATH]", RunConfigure},
};
const size_t kCommandCount = sizeof(kCommands) / sizeof(kCommands[0]);

std::string UsageText() {
    std::string text = "usage:\n";
    for (const CommandInfo& c : kCommands) text += std::string("  halvane ") + c.synopsis + "\n";
    return text;
}
