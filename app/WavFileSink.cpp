#include "app/WavFileSink.h"

#include "app/AppError.h"

WavFileSink::WavFileSink(std::string path, uint32_t sampleRate)
    : path_(std::move(path)), sample_rate_(sampleRate) {}

void WavFileSink::SetLayout(unsigned channels, uint32_t channelMask) {
    if (!writer_) {
        writer_ = std::make_unique<WavWriter>(path_, channels, sample_rate_, channelMask);
        return;
    }
    if (channels != writer_->Channels())
        throw Failure("the DSP changed its channel count from " +
                      std::to_string(writer_->Channels()) + " to " + std::to_string(channels) +
                      " in the middle of the stream; '" + path_ + "' not written");
}

void WavFileSink::Write(const float* samples, uint64_t frames) {
    if (frames) writer_->WriteFrames(samples, frames);
}

void WavFileSink::Finish(unsigned fallbackChannels, uint32_t fallbackMask) {
    if (!writer_) writer_ = std::make_unique<WavWriter>(path_, fallbackChannels, sample_rate_, fallbackMask);
    writer_->Finish();
}
