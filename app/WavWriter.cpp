#include "app/WavWriter.h"

#include "app/AppError.h"
#include "app/LittleEndian.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {

// Largest data chunk a RIFF size field can describe (the RIFF size adds the header).
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 72;
constexpr size_t kHeaderBytes = 12 + 8 + 40 + 8 + 4 + 8;  // RIFF, fmt, fact, data header

void PutTag(std::vector<uint8_t>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

}  // namespace

WavWriter::WavWriter(const std::string& path, unsigned channels, uint32_t sampleRate,
                     uint32_t channelMask)
    : file_(path), channels_(channels), sample_rate_(sampleRate), channel_mask_(channelMask) {
    if (channels == 0 || channels > 0xFFFF / 4)
        throw Failure("cannot write '" + path + "': " + std::to_string(channels) + " channels do not fit a WAV file");
    if (uint64_t(sampleRate) * channels * 4 > 0xFFFFFFFFull)
        throw Failure("cannot write '" + path + "': " + std::to_string(sampleRate) + " Hz with " +
                      std::to_string(channels) + " channels does not fit a WAV file");
    WriteHeader();
}

void WavWriter::WriteHeader() {
    const uint32_t dataBytes = uint32_t(frames_ * channels_ * 4);
    std::vector<uint8_t> h;
    h.reserve(kHeaderBytes);
    PutTag(h, "RIFF");
    Put32(h, uint32_t(kHeaderBytes - 8 + dataBytes));
    PutTag(h, "WAVE");
    PutTag(h, "fmt ");
    Put32(h, 40);
    Put16(h, 0xFFFE);                          // WAVE_FORMAT_EXTENSIBLE
    Put16(h, channels_);
    Put32(h, sample_rate_);
    Put32(h, sample_rate_ * channels_ * 4);    // bytes per second
    Put16(h, channels_ * 4);                   // block align
    Put16(h, 32);                              // bits per sample
    Put16(h, 22);                              // extension size
    Put16(h, 32);                              // valid bits per sample
    Put32(h, channel_mask_);
    // KSDATAFORMAT_SUBTYPE_IEEE_FLOAT {00000003-0000-0010-8000-00AA00389B71}
    static const uint8_t kFloatSubtype[16] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                              0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    h.insert(h.end(), kFloatSubtype, kFloatSubtype + 16);
    PutTag(h, "fact");
    Put32(h, 4);
    Put32(h, uint32_t(frames_));
    PutTag(h, "data");
    Put32(h, dataBytes);
    file_.Write(h.data(), h.size());
}

void WavWriter::WriteFrames(const float* samples, uint64_t frames) {
    if (frames == 0) return;
    if ((frames_ + frames) * channels_ * 4 > kMaxDataBytes)
        throw Failure("cannot write '" + file_.Path() + "': output larger than a WAV file can hold");
    static_assert(sizeof(float) == 4, "IEEE single floats");
    static_assert(std::endian::native == std::endian::little, "WAV data is little-endian");
    file_.Write(samples, size_t(frames * channels_ * 4));
    frames_ += frames;
}

void WavWriter::Finish() {
    if (std::fseek(file_.Stream(), 0, SEEK_SET) != 0)
        throw Failure("cannot write '" + file_.Path() + "'");
    WriteHeader();
    file_.Commit();
}
