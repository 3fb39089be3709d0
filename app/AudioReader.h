// Reads any audio file libsndfile reads (WAV incl. float tag 3 and WAVE_FORMAT_EXTENSIBLE,
// AIFF, FLAC, ...) as interleaved floats. Integer formats are scaled to [-1, 1); float files
// come back as stored.
#pragma once

#include "app/FrameStream.h"

#include <cstdint>
#include <memory>
#include <string>

struct sf_private_tag;
class StreamInput;

// Highest sample rate a file may have (Hz): every rate in use, 768 kHz included.
inline constexpr uint32_t kMaxSampleRate = 768000;

class AudioReader final : public FrameSource {
public:
    // Opens `path` ("-": stdin); throws Failure naming the file and libsndfile's reason when it cannot be
    // read (missing, empty, corrupt, unsupported, or a rate above kMaxSampleRate).
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    unsigned Channels() const override { return channels_; }
    uint32_t SampleRate() const override { return sample_rate_; }
    // The channel mask the file names (WAVE_FORMAT_EXTENSIBLE), else the usual one for the count.
    uint32_t ChannelMask() const override { return channel_mask_; }
    // Frames the header announces, also where the file holds fewer (a guide for progress and
    // the truncation warning); 0 when unknown (a stream of unknown length).
    uint64_t ExpectedFrames() const override { return declared_frames_; }

    // Reads up to `frames` frames into `out` (frames × Channels() floats); returns the number
    // read, 0 at the end. Throws Failure on a read error.
    uint64_t Read(float* out, uint64_t frames) override;
    // Moves the read position (after a Seek, FramesRead() no longer counts the position) to `frame` (from the start). False when the file cannot seek
    // there; the position is then unchanged.
    bool Seek(uint64_t frame);
    // Frames read so far; below ExpectedFrames() at the end when the file was cut short.
    uint64_t FramesRead() const { return frames_read_; }
    // "stdin" for "-", else the path in quotes: for messages.
    std::string Name() const;

private:
    std::string path_;
    std::unique_ptr<StreamInput> stream_;  // stdin as a pipe
    sf_private_tag* file_ = nullptr;
    unsigned channels_ = 0;
    uint32_t sample_rate_ = 0;
    uint32_t channel_mask_ = 0;
    uint64_t declared_frames_ = 0;
    uint64_t frames_read_ = 0;
};
