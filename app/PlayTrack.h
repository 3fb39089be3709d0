// A track that `halvane play` can seek in: a frame source with a known length and a read
// position that can be moved.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/FrameStream.h"

class PlayTrack : public FrameSource {
public:
    // Frames in the track (0 when unknown).
    virtual uint64_t Length() const = 0;
    // Moves the read position to `frame`, clamped to the length. False when it cannot move.
    virtual bool SeekTo(uint64_t frame) = 0;
};

// A file, through AudioReader. Throws Failure when it cannot be read.
std::unique_ptr<PlayTrack> OpenFileTrack(const std::string& path);

// Interleaved samples in memory (tests, generated signals).
class MemoryTrack final : public PlayTrack {
public:
    MemoryTrack(std::vector<float> samples, unsigned channels, uint32_t rate, uint32_t mask)
        : samples_(std::move(samples)), channels_(channels), rate_(rate), mask_(mask) {}
    unsigned Channels() const override { return channels_; }
    uint32_t SampleRate() const override { return rate_; }
    uint32_t ChannelMask() const override { return mask_; }
    uint64_t ExpectedFrames() const override { return Length(); }
    uint64_t Length() const override { return samples_.size() / channels_; }
    uint64_t Read(float* out, uint64_t frames) override;
    bool SeekTo(uint64_t frame) override;

private:
    std::vector<float> samples_;
    unsigned channels_;
    uint32_t rate_, mask_;
    uint64_t position_ = 0;
};
