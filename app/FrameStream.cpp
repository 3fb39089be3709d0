#include "app/FrameStream.h"

#include "app/AppError.h"

#include <algorithm>

uint64_t MemorySource::Read(float* out, uint64_t frames) {
    const uint64_t total = samples_.size() / channels_;
    const uint64_t n = std::min(frames, total - position_);
    std::copy_n(samples_.begin() + ptrdiff_t(position_ * channels_), size_t(n * channels_), out);
    position_ += n;
    return n;
}

void MemorySink::SetLayout(unsigned ch, uint32_t mask) {
    if (channels != 0 && ch != channels && !samples.empty())
        throw Failure("the DSP changed its channel count in the middle of the stream");
    channels = ch;
    channelMask = mask;
}

void MemorySink::Write(const float* data, uint64_t frames) {
    samples.insert(samples.end(), data, data + frames * channels);
}
