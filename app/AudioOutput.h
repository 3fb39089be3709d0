// Where `halvane play` sends the DSP's results: a sound card (PortAudio) or the null output,
// which takes samples at the pace a sound card would and discards them.
//
// One thread (the player's audio thread) calls every operation. Samples are interleaved
// 32-bit floats, nominal full scale +-1.0, of the layout given to the last Open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // (Re)opens for `channels` at `rate` Hz. The player calls it before the first Write and
    // again whenever the DSP's output format changes. Throws Failure when the device refuses.
    virtual void Open(unsigned channels, uint32_t rate) = 0;
    // Blocks until the frames are accepted (at most about real time ahead of the listener).
    virtual void Write(const float* samples, uint64_t frames) = 0;
    // Pausing stops the clock; resuming restarts it without catching up on the pause.
    virtual void SetPaused(bool paused) = 0;
    // Lets what was written play out, then closes.
    virtual void Close() = 0;
    // "null", or the device's name.
    virtual std::string Name() const = 0;
};

// "null" for the null output; otherwise a PortAudio device: "default", a device index, or
// (part of) a device name. Throws Failure when no such output exists.
std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& device);
