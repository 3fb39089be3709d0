#include "app/AudioReader.h"

#include "app/AppError.h"
#include "app/ChannelMask.h"

#include <sndfile.h>
#include <string>
#include <vector>

namespace {

// Speaker bit of one libsndfile channel-map entry, 0 where the WAV mask has no bit for it.
uint32_t SpeakerBit(int position) {
    switch (position) {
    case SF_CHANNEL_MAP_MONO:
    case SF_CHANNEL_MAP_CENTER: return 0x4;
    case SF_CHANNEL_MAP_LEFT: return 0x1;
    case SF_CHANNEL_MAP_RIGHT: return 0x2;
    case SF_CHANNEL_MAP_LFE: return 0x8;
    case SF_CHANNEL_MAP_REAR_LEFT: return 0x10;
    case SF_CHANNEL_MAP_REAR_RIGHT: return 0x20;
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER: return 0x40;
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER: return 0x80;
    case SF_CHANNEL_MAP_REAR_CENTER: return 0x100;
    case SF_CHANNEL_MAP_SIDE_LEFT: return 0x200;
    case SF_CHANNEL_MAP_SIDE_RIGHT: return 0x400;
    case SF_CHANNEL_MAP_TOP_CENTER: return 0x800;
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT: return 0x1000;
    case SF_CHANNEL_MAP_TOP_FRONT_CENTER: return 0x2000;
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT: return 0x4000;
    case SF_CHANNEL_MAP_TOP_REAR_LEFT: return 0x8000;
    case SF_CHANNEL_MAP_TOP_REAR_CENTER: return 0x10000;
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return 0x20000;
    default: return 0;
    }
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_) throw Failure("cannot read audio file '" + path + "': " + sf_strerror(nullptr));
    if (info.channels <= 0 || info.samplerate <= 0) {
        sf_close(file_);
        file_ = nullptr;
        throw Failure("cannot read audio file '" + path + "': no channels or no sample rate");
    }
    if (uint32_t(info.samplerate) > kMaxSampleRate) {
        // The engine sizes its delay lines by the rate: a header claiming gigahertz would
        // have it allocate gigabytes for a file of a few kilobytes.
        const int rate = info.samplerate;
        sf_close(file_);
        file_ = nullptr;
        throw Failure("cannot read audio file '" + path + "': sample rate " + std::to_string(rate) +
                      " Hz is above the " + std::to_string(kMaxSampleRate) + " Hz this host supports");
    }
    channels_ = unsigned(info.channels);
    sample_rate_ = uint32_t(info.samplerate);
    declared_frames_ = info.frames > 0 ? uint64_t(info.frames) : 0;

    channel_mask_ = DefaultChannelMask(channels_);
    std::vector<int> map(channels_);
    if (sf_command(file_, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int))) ==
        SF_TRUE) {
        uint32_t mask = 0;
        bool complete = true;
        for (int position : map) {
            uint32_t bit = SpeakerBit(position);
            if (!bit || (mask & bit)) complete = false;
            mask |= bit;
        }
        if (complete) channel_mask_ = mask;
    }
}

AudioReader::~AudioReader() {
    if (file_) sf_close(file_);
}

uint64_t AudioReader::Read(float* out, uint64_t frames) {
    sf_count_t got = sf_readf_float(file_, out, sf_count_t(frames));
    if (got < 0 || (got == 0 && sf_error(file_) != SF_ERR_NO_ERROR))
        throw Failure("cannot read audio file '" + path_ + "': " + sf_strerror(file_));
    return uint64_t(got);
}

bool AudioReader::Seek(uint64_t frame) { return sf_seek(file_, sf_count_t(frame), SEEK_SET) >= 0; }
