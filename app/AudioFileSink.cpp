#include "app/AudioFileSink.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/AppError.h"
#include "app/LittleEndian.h"

namespace {

// libsndfile's speaker position for each WAV mask bit, lowest bit first.
const int kMaskPositions[] = {SF_CHANNEL_MAP_LEFT,
                              SF_CHANNEL_MAP_RIGHT,
                              SF_CHANNEL_MAP_CENTER,
                              SF_CHANNEL_MAP_LFE,
                              SF_CHANNEL_MAP_REAR_LEFT,
                              SF_CHANNEL_MAP_REAR_RIGHT,
                              SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER,
                              SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER,
                              SF_CHANNEL_MAP_REAR_CENTER,
                              SF_CHANNEL_MAP_SIDE_LEFT,
                              SF_CHANNEL_MAP_SIDE_RIGHT,
                              SF_CHANNEL_MAP_TOP_CENTER,
                              SF_CHANNEL_MAP_TOP_FRONT_LEFT,
                              SF_CHANNEL_MAP_TOP_FRONT_CENTER,
                              SF_CHANNEL_MAP_TOP_FRONT_RIGHT,
                              SF_CHANNEL_MAP_TOP_REAR_LEFT,
                              SF_CHANNEL_MAP_TOP_REAR_CENTER,
                              SF_CHANNEL_MAP_TOP_REAR_RIGHT};

// The channel map of `mask` when it names exactly `channels` speakers; empty otherwise.
std::vector<int> ChannelMap(uint32_t mask, unsigned channels) {
    std::vector<int> map;
    for (unsigned bit = 0; bit < 18; ++bit)
        if (mask & (1u << bit)) map.push_back(kMaskPositions[bit]);
    if (map.size() != channels || (mask >> 18) != 0) map.clear();
    return map;
}

}  // namespace

AudioFileSink::AudioFileSink(const std::string& path, uint32_t sampleRate, const OutputFormat& format)
    : target_(path),
      sample_rate_(sampleRate),
      format_(format),
      quantizer_(format.gainDb, format.floatSamples ? 32 : format.bits, format.Dithered()) {
    if (!target_.Seekable() && !format_.Streamable())
        throw Failure(std::string("cannot write ") + ContainerName(format_.container) + " to " +
                      target_.Name() + ", which cannot seek; use --type wav, flac, au or raw");
}

AudioFileSink::~AudioFileSink() {
    if (file_) sf_close(file_);
}

void AudioFileSink::Open(unsigned channels, uint32_t mask) {
    channels_ = channels;
    if (!target_.Seekable() && format_.container == Container::Wav) {
        WriteStreamHeader(mask);
        return;
    }
    SF_INFO info{};
    info.channels = int(channels);
    info.samplerate = int(sample_rate_);
    info.format = format_.SndfileFormat();
    if (!sf_format_check(&info))
        throw Failure("cannot write " + std::to_string(channels) + " channels at " +
                      std::to_string(sample_rate_) + " Hz as " + ContainerName(format_.container) + " to " +
                      target_.Name());
    file_ = sf_open_fd(target_.Fd(), SFM_WRITE, &info, SF_FALSE);
    if (!file_) throw Failure("cannot write " + target_.Name() + ": " + LibraryReason(sf_strerror(nullptr)));
    std::vector<int> map = ChannelMap(mask, channels);
    if (!map.empty()) sf_command(file_, SFC_SET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int)));
    if (format_.container == Container::Wav) sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
}

// WAVE_FORMAT_EXTENSIBLE for a stream whose length is not known when the header goes out.
void AudioFileSink::WriteStreamHeader(uint32_t mask) {
    const unsigned bits = format_.floatSamples ? 32 : unsigned(format_.bits);
    const unsigned block = channels_ * bits / 8;
    if (channels_ > 0xFFFF / 4 || uint64_t(sample_rate_) * block > 0xFFFFFFFFull)
        throw Failure("cannot write " + std::to_string(channels_) + " channels at " +
                      std::to_string(sample_rate_) + " Hz as WAV");
    const uint64_t dataBytes = expected_frames_ * block;
    const bool known = expected_frames_ > 0 && dataBytes <= 0xFFFFFFFFull - 60;
    std::vector<uint8_t> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    Put32(h, known ? uint32_t(dataBytes + 60) : 0xFFFFFFFFu);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(h, 40);
    Put16(h, 0xFFFE);
    Put16(h, channels_);
    Put32(h, sample_rate_);
    Put32(h, sample_rate_ * block);
    Put16(h, block);
    Put16(h, bits);
    Put16(h, 22);
    Put16(h, bits);
    Put32(h, ChannelMap(mask, channels_).empty() ? 0 : mask);
    // KSDATAFORMAT_SUBTYPE_IEEE_FLOAT (3) or _PCM (1): {0000000x-0000-0010-8000-00AA00389B71}
    const uint8_t guid[16] = {
        uint8_t(format_.floatSamples ? 3 : 1), 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    h.insert(h.end(), guid, guid + 16);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    Put32(h, known ? uint32_t(dataBytes) : 0xFFFFFFFFu);
    target_.Write(h.data(), h.size());
}

// Little-endian samples of the stream WAV's width.
void AudioFileSink::WriteStreamBytes(const void* samples, size_t count) {
    if (format_.floatSamples || format_.bits == 32) {
        target_.Write(samples, count * 4);
        return;
    }
    const int32_t* in = static_cast<const int32_t*>(samples);
    const size_t width = size_t(format_.bits / 8);
    byte_block_.resize(count * width);
    uint8_t* out = byte_block_.data();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t w = uint32_t(in[i]);
        for (size_t k = 0; k < width; ++k) *out++ = uint8_t(w >> (32 - 8 * (width - k)));
    }
    target_.Write(byte_block_.data(), byte_block_.size());
}

void AudioFileSink::SetLayout(unsigned channels, uint32_t channelMask) {
    if (channels_ == 0) {
        Open(channels, channelMask);
        return;
    }
    if (channels != channels_)
        throw Failure("the DSP changed its channel count from " + std::to_string(channels_) + " to " +
                      std::to_string(channels) + " in the middle of the stream; " + target_.Name() +
                      " not written");
}

void AudioFileSink::Write(const float* samples, uint64_t frames) {
    if (frames == 0) return;
    const size_t count = size_t(frames * channels_);
    const void* data = samples;
    if (format_.floatSamples && format_.gainDb == 0.0) {
        quantizer_.TrackPeak(samples, count);  // written as they are, no copy
    } else if (format_.floatSamples) {
        float_block_.assign(samples, samples + count);
        quantizer_.ApplyGain(float_block_.data(), count);
        data = float_block_.data();
    } else {
        int_block_.resize(count);
        quantizer_.ToInt(samples, int_block_.data(), count);
        data = int_block_.data();
    }
    if (file_) {
        const sf_count_t done =
            format_.floatSamples ? sf_writef_float(file_, static_cast<const float*>(data), sf_count_t(frames))
                                 : sf_writef_int(file_, static_cast<const int*>(data), sf_count_t(frames));
        if (done != sf_count_t(frames))
            throw Failure("cannot write " + target_.Name() + ": " + LibraryReason(sf_strerror(file_)));
    } else {
        WriteStreamBytes(data, count);
    }
    frames_ += frames;
}

void AudioFileSink::Finish(unsigned fallbackChannels, uint32_t fallbackMask) {
    if (channels_ == 0) Open(fallbackChannels, fallbackMask);
    if (file_) {
        const int err = sf_error(file_);
        std::string reason = err ? LibraryReason(sf_strerror(file_)) : "";
        if (sf_close(file_) != 0 && reason.empty()) reason = "the header could not be completed";
        file_ = nullptr;
        if (!reason.empty()) throw Failure("cannot write " + target_.Name() + ": " + reason);
    }
    target_.Commit();
    if (!format_.floatSamples && quantizer_.Clipped())
        std::fprintf(stderr, "halvane: %s\n", ClipReport(quantizer_.Clipped(), quantizer_.Peak()).c_str());
    else if (format_.floatSamples && quantizer_.Peak() > 1.0)
        std::fprintf(
            stderr,
            "halvane: warning: %s, above full scale; kept in the float output, but players may clip it\n",
            PeakDbfs(quantizer_.Peak()).c_str());
}
