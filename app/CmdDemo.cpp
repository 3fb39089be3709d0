// halvane demo OUTDIR: the built-in demo material through every mode, with a level table.
#include "app/AppError.h"
#include "app/Commands.h"
#include "app/DemoSignal.h"
#include "app/HostOptions.h"
#include "app/LevelMeter.h"
#include "app/PresetFile.h"
#include "app/RenderPipeline.h"
#include "app/WavWriter.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

struct DemoMode {
    const char* name;
    uint32_t dwMode;
};
constexpr DemoMode kModes[] = {{"bypass", 0}, {"passive", 1}, {"hv", 2}, {"headphone", 3}, {"encoder", 4}};

const char* const kSlotNames6[] = {"L", "R", "C", "LFE", "SL", "SR"};

void MakeDirectory(const std::string& dir) {
    std::string prefix;
    for (size_t pos = 0; pos <= dir.size(); ++pos) {
        if (pos < dir.size() && dir[pos] != '/') continue;
        prefix = dir.substr(0, pos);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            throw Failure("cannot create '" + prefix + "': " + std::strerror(errno));
    }
    struct stat st{};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw Failure("cannot create '" + dir + "': not a directory");
}

void WriteWav(const std::string& path, const std::vector<float>& samples, unsigned channels,
              uint32_t mask) {
    WavWriter w(path, channels, kDemoSampleRate, mask);
    w.WriteFrames(samples.data(), samples.size() / channels);
    w.Finish();
}

// Channel names of a result layout, by its mask (5 channels: L R C SL SR; 6: 5.1).
std::string ChannelName(unsigned channels, unsigned index) {
    if (channels == 1) return "C";
    if (channels == 2) return index == 0 ? "L" : "R";
    if (channels == 5) return kSlotNames6[index < 3 ? index : index + 1];
    if (channels == 6) return kSlotNames6[index];
    return "ch" + std::to_string(index + 1);
}

std::string LevelCells(const MemorySink& out) {
    std::vector<double> db = ChannelRmsDb(out.samples.data(), out.samples.size() / std::max(1u, out.channels),
                                          out.channels);
    std::string row;
    for (unsigned c = 0; c < out.channels; ++c) {
        char cell[32];
        if (std::isinf(db[c]))
            std::snprintf(cell, sizeof(cell), " %3s  -inf", ChannelName(out.channels, c).c_str());
        else
            std::snprintf(cell, sizeof(cell), " %3s %5.1f", ChannelName(out.channels, c).c_str(), db[c]);
        row += cell;
    }
    return row;
}

}  // namespace

int RunDemo(CommandArgs args) {
    const OptionSpec specs[] = {kChunkOption, kComponentOption};
    ParsedArgs parsed = ParseArgs(args, specs);
    RequirePositional(parsed, 1, "halvane demo OUTDIR");
    const std::string dir = parsed.positional[0];
    RenderOptions options;
    options.chunkFrames = ChunkFramesOption(parsed);

    ModuleHost module(ModulePathOption(parsed));
    InstallRenderStopHandlers();
    MakeDirectory(dir);

    const DemoProgramme programmes[] = {MakeStereoDemo(), MakeSurroundDemo()};
    std::printf("demo in %s: %.1f s segments at %u Hz, every mode; RMS level per channel in dBFS\n",
                dir.c_str(), kDemoSegmentSeconds, unsigned(kDemoSampleRate));
    for (const DemoProgramme& p : programmes) {
        const std::string sourceName = std::string(p.name) + "_source.wav";
        const std::string sourcePath = dir + "/" + sourceName;
        WriteWav(sourcePath, p.samples, p.channels, p.channelMask);
        std::string segments;
        for (const char* s : p.segments) segments += std::string(segments.empty() ? "" : ", ") + s;
        MemorySink sourceLevels;
        sourceLevels.SetLayout(p.channels, p.channelMask);
        sourceLevels.Write(p.samples.data(), p.Frames());
        std::printf("\n%s: %u channels, segments %s\n  %-26s%s\n", p.name, p.channels, segments.c_str(),
                    sourceName.c_str(), LevelCells(sourceLevels).c_str());

        for (const DemoMode& mode : kModes) {
            HVLIB_CONFIG settings = DefaultSettings();
            settings.dwMode = mode.dwMode;
            service_ptr_t<dsp_v2> dsp = InstantiateSurroundDsp(module, settings);
            MemorySource source(p.samples, p.channels, kDemoSampleRate, p.channelMask);
            MemorySink sink;
            options.trackName = sourcePath;
            RenderThroughDsp(*dsp, module.Playback(), source, sink, options);
            dsp.release();

            const std::string outName = std::string(p.name) + "_" + mode.name + ".wav";
            const std::string outPath = dir + "/" + outName;
            const unsigned channels = sink.channels ? sink.channels : p.channels;
            WriteWav(outPath, sink.samples, channels, sink.channels ? sink.channelMask : p.channelMask);
            std::printf("  %-26s%s\n", outName.c_str(), LevelCells(sink).c_str());
        }
    }
    return kExitOk;
}
