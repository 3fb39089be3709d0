// Helpers for the host's tests: a temporary directory, WAV files written and read with
// libsndfile (independently of the program's own writer), the header fields of the WAV files
// the program writes, and a runner for the built `halvane` program.
#pragma once

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/halvane_app_test.XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the directory (not recursive), sorted.
    std::vector<std::string> List() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// `format` as libsndfile has it, e.g. SF_FORMAT_WAV | SF_FORMAT_FLOAT.
inline void WriteAudio(const std::string& path, const std::vector<float>& interleaved, int channels, int rate,
                       int format) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) throw std::runtime_error(std::string("sf_open for writing: ") + sf_strerror(nullptr));
    sf_writef_float(f, interleaved.data(), sf_count_t(interleaved.size() / size_t(channels)));
    sf_close(f);
}

struct AudioData {
    int channels = 0, rate = 0;
    int64_t frames = 0;
    std::vector<float> samples;
};

inline AudioData ReadAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    AudioData a{info.channels, info.samplerate, info.frames, {}};
    a.samples.resize(size_t(info.frames * info.channels));
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

// The header fields of a WAV file as the program writes it, read by hand: RIFF, then chunks
// (JUNK, fmt with WAVE_FORMAT_EXTENSIBLE, fact, ...) up to "data". `ok` is false for anything
// else; dataBytes is the data chunk's size field.
struct WavHeader {
    bool ok = false;
    uint16_t formatTag = 0, channels = 0, bitsPerSample = 0;
    uint32_t rate = 0, channelMask = 0, dataBytes = 0;
    uint8_t subFormat[16] = {};
};

inline WavHeader ParseWavBytes(const std::vector<uint8_t>& b) {
    WavHeader h;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return h;
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + size_t(i)];
        return v;
    };
    bool fmt = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = le(at + 4, 4);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && size >= 40 && at + 48 <= b.size()) {
            h.formatTag = uint16_t(le(at + 8, 2));
            h.channels = uint16_t(le(at + 10, 2));
            h.rate = le(at + 12, 4);
            h.bitsPerSample = uint16_t(le(at + 22, 2));
            h.channelMask = le(at + 28, 4);
            std::memcpy(h.subFormat, &b[at + 32], 16);
            fmt = true;
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            h.dataBytes = size;
            h.ok = fmt;
            return h;
        }
        at += 8 + size + (size & 1);
    }
    return h;
}

inline WavHeader ParseWavHeader(const std::string& path) { return ParseWavBytes(ReadBytes(path)); }

// A deterministic test signal: `frames` frames of `channels` channels within +-0.25.
inline std::vector<float> TestSignal(int64_t frames, int channels, uint32_t seed = 1) {
    std::vector<float> s(size_t(frames * channels));
    uint32_t state = seed * 2654435761u + 1;
    for (auto& v : s) {
        state = state * 1664525u + 1013904223u;
        v = float(int32_t(state) >> 8) / float(1 << 24) * 0.5f;
    }
    return s;
}

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs the built program with `args` (each word quoted), XDG_CONFIG_HOME set to `configHome`.
inline RunResult RunHalvane(const std::vector<std::string>& args, const std::string& configHome) {
    auto quote = [](const std::string& word) {
        std::string q = "'";
        for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    const TempDir io;
    std::string cmd = "XDG_CONFIG_HOME=" + quote(configHome) + " " + quote(HALVANE_EXE);
    for (const std::string& a : args) cmd += " " + quote(a);
    cmd += " >" + io.File("out") + " 2>" + io.File("err") + " </dev/null";
    const int status = std::system(cmd.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<uint8_t> out = ReadBytes(io.File("out")), err = ReadBytes(io.File("err"));
    r.out.assign(out.begin(), out.end());
    r.err.assign(err.begin(), err.end());
    return r;
}
