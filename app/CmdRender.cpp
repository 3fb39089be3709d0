// halvane render IN OUT: one file or stream through the DSP into a file, pipe or device.
#include "app/AppError.h"
#include "app/AudioFileSink.h"
#include "app/AudioReader.h"
#include "app/Commands.h"
#include "app/HostOptions.h"
#include "app/OutputFormat.h"
#include "app/ProgressBar.h"
#include "app/RenderPipeline.h"
#include "app/SettingsArgs.h"

#include <cstdio>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace {

// Refuses IN and OUT naming one file (also through links or other names): the output would
// overwrite the input it is reading. Compared by device and inode, before anything is written.
void RefuseSameFile(const std::string& inPath, const std::string& outPath) {
    if (inPath == "-" || outPath == "-") return;
    struct stat in {}, out {};
    if (stat(inPath.c_str(), &in) != 0 || stat(outPath.c_str(), &out) != 0) return;
    if (in.st_dev == out.st_dev && in.st_ino == out.st_ino && S_ISREG(in.st_mode))
        throw Failure("'" + inPath + "' and '" + outPath + "' are the same file; nothing written");
}

// Whether `mode` processes `channels` input channels or passes them through unchanged (the
// component's rule: layouts 1, 2, 5 and 6 are processed, the encoder takes 5 and 6 only).
bool PassesThrough(uint32_t mode, unsigned channels) {
    if (mode == 0) return false;  // bypass is asked for
    const bool known = channels == 1 || channels == 2 || channels == 5 || channels == 6;
    if (!known) return true;
    return mode == 4 && channels < 5;
}

const char* ModeWord(uint32_t mode) {
    static const char* const kNames[] = {"bypass", "passive", "hv", "headphone", "encoder"};
    return mode < 5 ? kNames[mode] : "?";
}

}  // namespace

static int RenderCommand(CommandArgs args);

// A read or write cut short by a stop signal fails with its own reason; the signal is what
// ended the render.
int RunRender(CommandArgs args) {
    try {
        return RenderCommand(args);
    } catch (const AppError&) {
        if (const int sig = RenderStopSignal()) throw Interrupted(sig);
        throw;
    }
}

static int RenderCommand(CommandArgs args) {
    std::vector<OptionSpec> specs(std::begin(kSettingsOptions), std::end(kSettingsOptions));
    specs.insert(specs.end(), std::begin(kOutputFormatOptions), std::end(kOutputFormatOptions));
    specs.insert(specs.end(), {kChunkOption, {"raw", false, false}, kComponentOption});
    ParsedArgs parsed = ParseArgs(args, specs);
    RequirePositional(parsed, 2, "halvane render IN OUT [options]");
    const std::string& inPath = parsed.positional[0];
    const std::string& outPath = parsed.positional[1];

    RenderOptions options;
    options.chunkFrames = ChunkFramesOption(parsed);
    options.raw = parsed.Has("raw");
    options.trackName = inPath;
    const HVLIB_CONFIG settings = BuildSettings(parsed);
    const OutputFormat format = OutputFormatOptions(parsed, outPath);
    RefuseSameFile(inPath, outPath);

    InstallRenderStopHandlers();
    AudioReader reader(inPath);
    ModuleHost module(ModulePathOption(parsed));
    service_ptr_t<dsp_v2> dsp = InstantiateSurroundDsp(module, settings);
    if (PassesThrough(settings.dwMode, reader.Channels()))
        std::fprintf(stderr, "halvane: notice: %s mode does not process %u-channel input; it passes through unchanged\n",
                     ModeWord(settings.dwMode), reader.Channels());

    AudioFileSink sink(outPath, reader.SampleRate(), format);
    if (!options.raw) sink.SetExpectedFrames(reader.ExpectedFrames());
    ProgressBar progress("rendering", reader.ExpectedFrames());
    options.progress = &progress;
    RenderResult result = RenderThroughDsp(*dsp, module.Playback(), reader, sink, options);
    if (result.inputFrames > 0 && !result.layoutKnown)
        throw Failure("the DSP returned no audio for " + reader.Name() + "; nothing written");
    if (reader.ExpectedFrames() > reader.FramesRead())
        std::fprintf(stderr, "halvane: warning: %s ended early: %llu of %llu frames; rendered as far as it goes\n",
                     reader.Name().c_str(), (unsigned long long)reader.FramesRead(),
                     (unsigned long long)reader.ExpectedFrames());
    sink.Finish(reader.Channels(), reader.ChannelMask());
    dsp.release();

    std::fprintf(stderr, "%s: %llu frames, %u channels in; %s: %llu frames, %u channels (mask %u) out\n",
                 inPath.c_str(), (unsigned long long)result.inputFrames, reader.Channels(), outPath.c_str(),
                 (unsigned long long)result.outputFrames, result.layoutKnown ? result.channels : reader.Channels(),
                 unsigned(result.layoutKnown ? result.channelMask : reader.ChannelMask()));
    return kExitOk;
}
