// FrameSink that encodes the DSP's output into an OutputTarget in the chosen OutputFormat.
//
// The channel count and mask are those of the first layout the DSP reports; the encoder is
// created then. Seekable targets get libsndfile (WAV as RF64 that stays plain WAV below
// 4 GiB, with WAVE_FORMAT_EXTENSIBLE and the channel mask; masks are kept wherever the
// container carries them). WAV into a pipe or device gets a WAVE_FORMAT_EXTENSIBLE header
// with the true sizes when the length is known ahead, else the "unknown length" 0xFFFFFFFF; FLAC, AU and raw
// go through libsndfile's pipe writer; the other containers cannot be streamed.
//
// Finish() completes and commits the output and then reports on stderr, once: clipped
// samples of integer outputs, or a float output's peak above 0 dBFS.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameStream.h"
#include "app/OutputFormat.h"
#include "app/OutputTarget.h"
#include "app/SampleQuantizer.h"

struct sf_private_tag;

class AudioFileSink final : public FrameSink {
  public:
    AudioFileSink(const std::string& path, uint32_t sampleRate, const OutputFormat& format);
    ~AudioFileSink();

    void SetLayout(unsigned channels, uint32_t channelMask) override;
    void Write(const float* samples, uint64_t frames) override;

    // Completes the output. When the DSP never reported a layout (no input frames), the file
    // is written empty with `fallbackChannels` and `fallbackMask`.
    void Finish(unsigned fallbackChannels, uint32_t fallbackMask);

    // Frames the output will have, when known before the first write: a WAV stream then
    // carries the true sizes instead of the "unknown length" ones.
    void SetExpectedFrames(uint64_t frames) { expected_frames_ = frames; }

    uint64_t FramesWritten() const { return frames_; }
    const SampleQuantizer& Quantizer() const { return quantizer_; }

  private:
    void Open(unsigned channels, uint32_t mask);
    void WriteStreamHeader(uint32_t mask);
    void WriteStreamBytes(const void* samples, size_t count);

    OutputTarget target_;
    uint32_t sample_rate_;
    OutputFormat format_;
    SampleQuantizer quantizer_;
    sf_private_tag* file_ = nullptr;
    unsigned channels_ = 0;
    uint64_t frames_ = 0;
    uint64_t expected_frames_ = 0;
    std::vector<float> float_block_;
    std::vector<int32_t> int_block_;
    std::vector<uint8_t> byte_block_;
};
