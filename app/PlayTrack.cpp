#include "app/PlayTrack.h"

#include <algorithm>
#include <cstring>

#include "app/AudioReader.h"

namespace {

class FileTrack final : public PlayTrack {
public:
    explicit FileTrack(const std::string& path) : reader_(path) {}
    unsigned Channels() const override { return reader_.Channels(); }
    uint32_t SampleRate() const override { return reader_.SampleRate(); }
    uint32_t ChannelMask() const override { return reader_.ChannelMask(); }
    uint64_t ExpectedFrames() const override { return reader_.ExpectedFrames(); }
    uint64_t Length() const override { return reader_.ExpectedFrames(); }
    uint64_t Read(float* out, uint64_t frames) override { return reader_.Read(out, frames); }
    bool SeekTo(uint64_t frame) override {
        const uint64_t length = Length();
        return reader_.Seek(length ? std::min(frame, length) : frame);
    }

private:
    AudioReader reader_;
};

}  // namespace

std::unique_ptr<PlayTrack> OpenFileTrack(const std::string& path) { return std::make_unique<FileTrack>(path); }

uint64_t MemoryTrack::Read(float* out, uint64_t frames) {
    const uint64_t n = std::min(frames, Length() - position_);
    std::memcpy(out, samples_.data() + position_ * channels_, size_t(n * channels_) * sizeof(float));
    position_ += n;
    return n;
}

bool MemoryTrack::SeekTo(uint64_t frame) {
    position_ = std::min(frame, Length());
    return true;
}
