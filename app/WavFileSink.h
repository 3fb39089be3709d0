// FrameSink that writes a 32-bit float WAVE_FORMAT_EXTENSIBLE file (WavWriter) whose channel
// count and mask are those of the first layout the DSP reports. The file is created on the
// first SetLayout and appears under its name only on Finish(); a later change of the channel
// count is an error (one WAV file has one layout).
#pragma once

#include "app/FrameStream.h"
#include "app/WavWriter.h"

#include <memory>
#include <string>

class WavFileSink final : public FrameSink {
public:
    WavFileSink(std::string path, uint32_t sampleRate);

    void SetLayout(unsigned channels, uint32_t channelMask) override;
    void Write(const float* samples, uint64_t frames) override;

    // Completes the file. When the DSP never reported a layout (no input frames), the file is
    // written empty with `fallbackChannels` and `fallbackMask`.
    void Finish(unsigned fallbackChannels, uint32_t fallbackMask);

    uint64_t FramesWritten() const { return writer_ ? writer_->FramesWritten() : 0; }

private:
    std::string path_;
    uint32_t sample_rate_;
    std::unique_ptr<WavWriter> writer_;
};
