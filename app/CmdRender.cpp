// halvane render IN OUT: one file through the DSP into a 32-bit float WAV.
#include "app/AppError.h"
#include "app/AudioReader.h"
#include "app/Commands.h"
#include "app/HeadphoneOptions.h"
#include "app/HostOptions.h"
#include "app/ProgressBar.h"
#include "app/RenderPipeline.h"
#include "app/SettingsArgs.h"
#include "app/WavFileSink.h"

#include <cstdio>
#include <iterator>
#include <vector>

int RunRender(CommandArgs args) {
    std::vector<OptionSpec> specs(std::begin(kSettingsOptions), std::end(kSettingsOptions));
    specs.insert(specs.end(), {kChunkOption, {"raw", false, false}, kComponentOption});
    specs.insert(specs.end(), std::begin(kHeadphoneOptionSpecs), std::end(kHeadphoneOptionSpecs));
    ParsedArgs parsed = ParseArgs(args, specs);
    RequirePositional(parsed, 2, "halvane render IN OUT [options]");
    const std::string& inPath = parsed.positional[0];
    const std::string& outPath = parsed.positional[1];

    RenderOptions options;
    options.chunkFrames = ChunkFramesOption(parsed);
    options.raw = parsed.Has("raw");
    options.trackName = inPath;
    HVLIB_CONFIG settings = BuildSettings(parsed);
    const HeadphoneRequest headphones = ParseHeadphoneOptions(parsed);

    AudioReader reader(inPath);
    ModuleHost module(ModulePathOption(parsed));
    ApplyHeadphoneOptions(module, headphones);  // before the output exists: a bad file writes nothing
    service_ptr_t<dsp_v2> dsp = InstantiateSurroundDsp(module, settings);

    InstallRenderStopHandlers();
    WavFileSink sink(outPath, reader.SampleRate());
    ProgressBar progress("rendering", reader.ExpectedFrames());
    options.progress = &progress;
    RenderResult result = RenderThroughDsp(*dsp, module.Playback(), reader, sink, options);
    if (result.inputFrames > 0 && !result.layoutKnown)
        throw Failure("the DSP returned no audio for '" + inPath + "'; '" + outPath + "' not written");
    sink.Finish(reader.Channels(), reader.ChannelMask());
    dsp.release();

    std::printf("%s: %llu frames, %u channels in; %s: %llu frames, %u channels (mask %u) out\n",
                inPath.c_str(), (unsigned long long)result.inputFrames, reader.Channels(),
                outPath.c_str(), (unsigned long long)result.outputFrames,
                result.layoutKnown ? result.channels : reader.Channels(),
                unsigned(result.layoutKnown ? result.channelMask : reader.ChannelMask()));
    return kExitOk;
}
