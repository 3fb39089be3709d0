#include "app/AudioReader.h"

#include "app/AppError.h"
#include "app/ChannelMask.h"
#include "app/StreamInput.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
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

// Bytes per sample of a libsndfile subtype with a fixed width, 0 for the others.
int SampleWidth(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8: return 1;
        case SF_FORMAT_PCM_16: return 2;
        case SF_FORMAT_PCM_24: return 3;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT: return 4;
        case SF_FORMAT_DOUBLE: return 8;
        default: return 0;
    }
}

// The frames a cut-short file's header announced. libsndfile shortens its count to what the
// file holds and notes the header's own size in its log ("data : 1058400 (should be 299920)");
// 0 when the log notes nothing of the kind.
uint64_t HeaderFrames(SNDFILE* file, const SF_INFO& info) {
    const int width = SampleWidth(info.format);
    if (width == 0) return 0;
    std::vector<char> log(16384);
    sf_command(file, SFC_GET_LOG_INFO, log.data(), int(log.size()));
    const std::string text(log.data());
    for (const char* tag : {"\ndata : ", "\nSSND : "}) {
        const size_t at = text.find(tag);
        if (at == std::string::npos) continue;
        const size_t eol = text.find('\n', at + 1);
        const std::string line = text.substr(at + 1, eol - at - 1);
        if (line.find("(should be") == std::string::npos) continue;
        const unsigned long long bytes = std::strtoull(line.c_str() + 7, nullptr, 10);
        if (bytes >= 0xFFFFFF00ull) return 0;  // the "unknown length" marks of a saved stream
        return bytes / (uint64_t(info.channels) * uint64_t(width));
    }
    return 0;
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
    // The file is opened here so a failure names the system's reason ("is a directory",
    // "permission denied"); "-" is stdin, read as a stream.
    int fd = STDIN_FILENO;
    if (path != "-") {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw Failure("cannot read '" + path + "': " + SystemReason(errno));
        struct stat st {};
        if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            close(fd);
            throw Failure("cannot read '" + path + "': is a directory");
        }
    }
    SF_INFO info{};
    struct stat st {};
    if (path == "-" && !(fstat(fd, &st) == 0 && S_ISREG(st.st_mode))) {
        stream_ = std::make_unique<StreamInput>(fd);
        file_ = sf_open_virtual(&StreamInput::Callbacks(), SFM_READ, &info, stream_.get());
    } else {
        file_ = sf_open_fd(fd, SFM_READ, &info, path == "-" ? SF_FALSE : SF_TRUE);
    }
    if (!file_) {
        if (path != "-") close(fd);
        throw Failure("cannot read audio " + Name() + ": " + LibraryReason(sf_strerror(nullptr)));
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        sf_close(file_);
        file_ = nullptr;
        throw Failure("cannot read audio " + Name() + ": no channels or no sample rate");
    }
    if (uint32_t(info.samplerate) > kMaxSampleRate) {
        // The engine sizes its delay lines by the rate: a header claiming gigahertz would
        // have it allocate gigabytes for a file of a few kilobytes.
        const int rate = info.samplerate;
        sf_close(file_);
        file_ = nullptr;
        throw Failure("cannot read audio " + Name() + ": sample rate " + std::to_string(rate) +
                      " Hz is above the " + std::to_string(kMaxSampleRate) + " Hz this host supports");
    }
    channels_ = unsigned(info.channels);
    sample_rate_ = uint32_t(info.samplerate);
    // A stream header with the "unknown length" sizes announces an absurd count: no length.
    declared_frames_ = info.frames > 0 && info.frames < (sf_count_t(1) << 50) ? uint64_t(info.frames) : 0;

    declared_frames_ = std::max(declared_frames_, HeaderFrames(file_, info));

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
        throw Failure("cannot read audio " + Name() + ": " + LibraryReason(sf_strerror(file_)));
    frames_read_ += uint64_t(got);
    return uint64_t(got);
}

std::string AudioReader::Name() const { return path_ == "-" ? std::string("stdin") : "'" + path_ + "'"; }

bool AudioReader::Seek(uint64_t frame) { return sf_seek(file_, sf_count_t(frame), SEEK_SET) >= 0; }
