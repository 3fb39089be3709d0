// Pushes a stream of frames through a DSP instance the way the player does.
//
// One playback: listeners hear "starting" and "new track"; the source is cut into host chunks
// of `chunkFrames` frames at the source's rate and mask, each chunk goes through run_v2 in its
// own chunk list, and what comes back (any channel count, often different from the input's)
// goes to the sink; "time" is reported once per second of input; at the end run_v2 is called
// with an empty list and FLUSH (end of playback) and the listeners hear "stop".
//
// Frame count:
//   raw      the sink receives exactly what the DSP returned, chunk after chunk;
//   default  the sink receives exactly as many frames as the source had: when the DSP holds
//            frames back (headphone mode releases whole blocks), silent chunks are pushed after
//            the end until the held frames are out, and the surplus is cut off.
// A source of 0 frames produces 0 frames (the DSP sees no chunk).
#pragma once

#include "app/FrameStream.h"
#include "app/PlaybackEvents.h"
#include "sdk/dsp.h"

#include <cstdint>
#include <string>

class ProgressBar;

inline constexpr uint64_t kDefaultChunkFrames = 4096;

struct RenderOptions {
    uint64_t chunkFrames = kDefaultChunkFrames;
    bool raw = false;
    std::string trackName;             // told to the listeners as the new track
    ProgressBar* progress = nullptr;   // optional
};

struct RenderResult {
    uint64_t inputFrames = 0;
    uint64_t outputFrames = 0;     // frames handed to the sink
    uint64_t paddingFrames = 0;    // silent frames pushed after the end
    bool layoutKnown = false;      // the DSP returned at least one chunk
    unsigned channels = 0;         // layout of the last returned chunk
    uint32_t channelMask = 0;
};

RenderResult RenderThroughDsp(dsp_v2& dsp, PlaybackEvents& playback, FrameSource& source,
                              FrameSink& sink, const RenderOptions& options);

// Set from a signal handler: the pipeline stops at the next chunk by throwing Interrupted(sig)
// (exit status 128 + sig). RenderStopSignal() is the signal asked for, 0 while none.
void RequestRenderStop(int sig);
int RenderStopSignal();
