// Helpers for the host's tests: a temporary directory, WAV files written and read with
// libsndfile (independently of the program's own writer), the raw WAV header fields, and a
// runner for the built `halvane` program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the directory (not recursive), sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// libsndfile formats, e.g. SF_FORMAT_WAV | SF_FORMAT_FLOAT.
void WriteAudio(const std::string& path, const std::vector<float>& interleaved, int channels,
                int rate, int format);

struct AudioData {
    int channels = 0;
    int rate = 0;
    int64_t frames = 0;
    std::vector<float> samples;
};
AudioData ReadAudio(const std::string& path);

// The header fields of a WAV file as the program writes it, read by hand: RIFF, a 40-byte
// WAVE_FORMAT_EXTENSIBLE fmt chunk, fact, and the data chunk at byte 72 (the layout is checked
// byte for byte in file_formats_test.cpp). `ok` is false for anything else.
struct WavHeader {
    bool ok = false;
    uint16_t formatTag = 0, channels = 0, bitsPerSample = 0;
    uint32_t rate = 0, channelMask = 0, dataBytes = 0;
    uint8_t subFormat[16] = {};
};
WavHeader ParseWavHeader(const std::string& path);

// A deterministic test signal: `frames` frames of `channels` channels, distinct per channel.
std::vector<float> TestSignal(int64_t frames, int channels, uint32_t seed = 1);

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs the built program with `args` (each word quoted), XDG_CONFIG_HOME set to `configHome`.
RunResult RunHalvane(const std::vector<std::string>& args, const std::string& configHome);
