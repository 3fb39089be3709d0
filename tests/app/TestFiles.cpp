#include "TestFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sndfile.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

TempDir::TempDir() {
    char pattern[] = "/tmp/halvane_app_test.XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::List() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteAudio(const std::string& path, const std::vector<float>& interleaved, int channels,
                int rate, int format) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) throw std::runtime_error(std::string("sf_open for writing: ") + sf_strerror(nullptr));
    sf_writef_float(f, interleaved.data(), sf_count_t(interleaved.size() / size_t(channels)));
    sf_close(f);
}

AudioData ReadAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    AudioData a;
    a.channels = info.channels;
    a.rate = info.samplerate;
    a.frames = info.frames;
    a.samples.resize(size_t(info.frames * info.channels));
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

static uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
static uint32_t Le32(const uint8_t* p) { return uint32_t(Le16(p)) | uint32_t(Le16(p + 2)) << 16; }

WavHeader ParseWavHeader(const std::string& path) {
    WavHeader h;
    const std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 80 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 ||
        std::memcmp(b.data() + 72, "data", 4) != 0)
        return h;
    h.formatTag = Le16(&b[20]);
    h.channels = Le16(&b[22]);
    h.rate = Le32(&b[24]);
    h.bitsPerSample = Le16(&b[34]);
    h.channelMask = Le32(&b[40]);
    std::memcpy(h.subFormat, &b[44], 16);
    h.dataBytes = Le32(&b[76]);
    h.ok = true;
    return h;
}

std::vector<float> TestSignal(int64_t frames, int channels, uint32_t seed) {
    std::vector<float> s(size_t(frames * channels));
    uint32_t state = seed * 2654435761u + 1;
    for (auto& v : s) {
        state = state * 1664525u + 1013904223u;
        v = float(int32_t(state) >> 8) / float(1 << 24) * 0.5f;  // within +-0.25
    }
    return s;
}

static std::string Quote(const std::string& word) {
    std::string q(1, '\'');
    for (char c : word) {
        if (c == '\'') q.append("'\\''");
        else q.push_back(c);
    }
    q.push_back('\'');
    return q;
}

RunResult RunHalvane(const std::vector<std::string>& args, const std::string& configHome) {
    char outName[] = "/tmp/halvane_run_out.XXXXXX";
    char errName[] = "/tmp/halvane_run_err.XXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    std::string cmd = "XDG_CONFIG_HOME=" + Quote(configHome) + " " + Quote(HALVANE_EXE);
    for (const std::string& a : args) {
        cmd.push_back(' ');
        cmd.append(Quote(a));
    }
    cmd += std::string(" >") + outName + " 2>" + errName + " </dev/null";
    int status = std::system(cmd.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::vector<uint8_t> out = ReadBytes(outName), err = ReadBytes(errName);
    r.out.assign(out.begin(), out.end());
    r.err.assign(err.begin(), err.end());
    close(outFd);
    close(errFd);
    std::remove(outName);
    std::remove(errName);
    return r;
}
