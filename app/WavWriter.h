// Streaming writer of 32-bit float WAV files in the WAVE_FORMAT_EXTENSIBLE layout.
//
// Layout: RIFF/WAVE, a 40-byte "fmt " chunk (format tag 0xFFFE, 32 valid bits, the given
// channel mask, sub-format IEEE float), a "fact" chunk with the frame count, then "data" with
// interleaved little-endian floats. The header is written with zero sizes first and rewritten
// with the final sizes by Finish(), which then commits the file under its name (AtomicFile):
// an unfinished writer leaves nothing behind.
#pragma once

#include "app/AtomicFile.h"

#include <cstdint>
#include <string>

class WavWriter {
public:
    WavWriter(const std::string& path, unsigned channels, uint32_t sampleRate,
              uint32_t channelMask);

    // Appends `frames` interleaved frames of Channels() floats.
    void WriteFrames(const float* samples, uint64_t frames);
    // Rewrites the header with the final sizes and commits the file.
    void Finish();

    unsigned Channels() const { return channels_; }
    uint64_t FramesWritten() const { return frames_; }

private:
    void WriteHeader();

    AtomicFile file_;
    unsigned channels_;
    uint32_t sample_rate_;
    uint32_t channel_mask_;
    uint64_t frames_ = 0;
};
