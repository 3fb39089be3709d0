// Where the render pipeline takes its frames from and where it puts the DSP's results.
//
// Frames are interleaved 32-bit floats. A source has a fixed layout; a sink learns the
// layout from the DSP (SetLayout before any Write, again whenever a result chunk arrives).
#pragma once

#include <cstdint>
#include <vector>

class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual unsigned Channels() const = 0;
    virtual uint32_t SampleRate() const = 0;
    virtual uint32_t ChannelMask() const = 0;
    // Frames expected in total (for progress only; 0 when unknown).
    virtual uint64_t ExpectedFrames() const = 0;
    // Up to `frames` frames into `out`; the number read, 0 at the end.
    virtual uint64_t Read(float* out, uint64_t frames) = 0;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // The layout of the frames that follow. A sink that cannot follow a change throws Failure.
    virtual void SetLayout(unsigned channels, uint32_t channelMask) = 0;
    virtual void Write(const float* samples, uint64_t frames) = 0;
};

// Source over interleaved samples held in memory.
class MemorySource final : public FrameSource {
public:
    MemorySource(const std::vector<float>& samples, unsigned channels, uint32_t sampleRate,
                 uint32_t channelMask)
        : samples_(samples), channels_(channels), rate_(sampleRate), mask_(channelMask) {}
    unsigned Channels() const override { return channels_; }
    uint32_t SampleRate() const override { return rate_; }
    uint32_t ChannelMask() const override { return mask_; }
    uint64_t ExpectedFrames() const override { return samples_.size() / channels_; }
    uint64_t Read(float* out, uint64_t frames) override;

private:
    const std::vector<float>& samples_;
    unsigned channels_;
    uint32_t rate_;
    uint32_t mask_;
    uint64_t position_ = 0;  // frames
};

// Sink that keeps everything in memory (the last layout wins; a change restarts nothing).
class MemorySink final : public FrameSink {
public:
    void SetLayout(unsigned channels, uint32_t channelMask) override;
    void Write(const float* samples, uint64_t frames) override;

    unsigned channels = 0;
    uint32_t channelMask = 0;
    std::vector<float> samples;
};
