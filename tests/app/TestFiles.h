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

bool FileExists(const std::string& path);
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

// The header of a WAV file as stored, parsed by hand.
struct WavHeader {
    bool ok = false;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t bitsPerSample = 0;
    uint32_t channelMask = 0;        // extensible only
    uint8_t subFormat[16] = {};      // extensible only
    uint32_t dataBytes = 0;
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
