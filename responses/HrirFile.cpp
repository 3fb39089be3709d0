// Response files: HeSuVi WAV through libsndfile, SOFA through libmysofa.
#include "responses/HrirFile.h"

#include <mysofa.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>

namespace {

void CheckReadable(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) throw HrirFileError(path, "no such file");
    if (std::filesystem::is_directory(status)) throw HrirFileError(path, "is a directory");
    std::ifstream f(path, std::ios::binary);
    if (!f) throw HrirFileError(path, "cannot be opened for reading");
}

void CheckNotSilent(const std::string& path, const HrirSet& set) {
    if (set.silent()) throw HrirFileError(path, "empty responses (every tap is zero)");
}

// An HDF5 file (SOFA's container) starts with this signature at offset 0, 512, 1024, ...
bool LooksLikeHdf5(const std::string& path) {
    static const char kSignature[8] = {'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};
    std::ifstream f(path, std::ios::binary);
    for (std::streamoff at = 0; at <= 4096; at = at ? at * 2 : 512) {
        char head[8] = {};
        f.clear();
        f.seekg(at);
        if (!f.read(head, 8)) return false;
        if (std::memcmp(head, kSignature, 8) == 0) return true;
    }
    return false;
}

struct SndfileClose {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct SofaFree {
    void operator()(MYSOFA_HRTF* h) const { mysofa_free(h); }
};

// (speaker, ear) of each of the 14 HeSuVi channels; the rear pairs 4, 5, 11, 12 are unused.
struct Slot {
    int speaker;  // -1: not used
    Ear ear;
};
constexpr Slot kHeSuVi[14] = {{int(Speaker::FL), Ear::Left},
                              {int(Speaker::FL), Ear::Right},
                              {int(Speaker::SL), Ear::Left},
                              {int(Speaker::SL), Ear::Right},
                              {-1, Ear::Left},
                              {-1, Ear::Right},
                              {int(Speaker::FC), Ear::Left},
                              {int(Speaker::FR), Ear::Right},
                              {int(Speaker::FR), Ear::Left},
                              {int(Speaker::SR), Ear::Right},
                              {int(Speaker::SR), Ear::Left},
                              {-1, Ear::Right},
                              {-1, Ear::Left},
                              {int(Speaker::FC), Ear::Right}};

std::string MysofaReason(int err) {
    switch (err) {
        case MYSOFA_INVALID_FORMAT:
            return "not a SOFA file";
        case MYSOFA_UNSUPPORTED_FORMAT:
            return "unsupported SOFA/HDF5 layout";
        case MYSOFA_NO_MEMORY:
            return "out of memory";
        case MYSOFA_READ_ERROR:
            return "read error";
        case MYSOFA_INVALID_ATTRIBUTES:
            return "SOFA attributes missing or invalid";
        case MYSOFA_INVALID_DIMENSIONS:
        case MYSOFA_INVALID_DIMENSION_LIST:
            return "SOFA dimensions invalid";
        case MYSOFA_ONLY_THE_SAME_SAMPLING_RATE_SUPPORTED:
            return "more than one sampling rate";
        default:
            return "unreadable SOFA file (libmysofa error " + std::to_string(err) + ")";
    }
}

// Unit vector of a SOFA source position (spherical: azimuth and elevation in degrees;
// cartesian: x front, y left, z up).
std::array<double, 3> Direction(const float* p, bool spherical) {
    double x = p[0], y = p[1], z = p[2];
    if (spherical) {
        const double az = p[0] * std::numbers::pi / 180.0, el = p[1] * std::numbers::pi / 180.0;
        x = std::cos(el) * std::cos(az);
        y = std::cos(el) * std::sin(az);
        z = std::sin(el);
    }
    const double len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0) return {0.0, 0.0, 0.0};
    return {x / len, y / len, z / len};
}

}  // namespace

HrirSet LoadHeSuViWav(const std::string& path) {
    CheckReadable(path);
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileClose> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) throw HrirFileError(path, std::string("not an audio file (") + sf_strerror(nullptr) + ")");
    if (info.channels != 14 && info.channels != 7)
        throw HrirFileError(path, std::to_string(info.channels) +
                                      " channels; responses must have 14 (HeSuVi order) or 7 (HeSuVi half "
                                      "order, right side mirrored)");
    if (info.frames <= 0) throw HrirFileError(path, "empty responses (no frames)");
    if (!(info.samplerate > 0)) throw HrirFileError(path, "no sample rate");

    const size_t frames = size_t(info.frames);
    const size_t channels = size_t(info.channels);
    std::vector<float> data(frames * channels);
    const sf_count_t got = sf_readf_float(file.get(), data.data(), sf_count_t(frames));
    if (got <= 0) throw HrirFileError(path, "no audio data could be read");

    HrirSet set;
    set.rate = info.samplerate;
    for (size_t ch = 0; ch < channels; ++ch) {
        if (kHeSuVi[ch].speaker < 0) continue;
        std::vector<float>& h = set.taps[size_t(kHeSuVi[ch].speaker)][size_t(kHeSuVi[ch].ear)];
        h.resize(size_t(got));
        for (size_t i = 0; i < size_t(got); ++i) h[i] = data[i * channels + ch];
    }
    if (channels == 7) {
        set.at(Speaker::FR, Ear::Right) = set.at(Speaker::FL, Ear::Left);
        set.at(Speaker::FR, Ear::Left) = set.at(Speaker::FL, Ear::Right);
        set.at(Speaker::SR, Ear::Right) = set.at(Speaker::SL, Ear::Left);
        set.at(Speaker::SR, Ear::Left) = set.at(Speaker::SL, Ear::Right);
        set.at(Speaker::FC, Ear::Right) = set.at(Speaker::FC, Ear::Left);
    }
    CheckNotSilent(path, set);
    return set;
}

HrirSet LoadSofa(const std::string& path) {
    CheckReadable(path);
    int err = 0;
    std::unique_ptr<MYSOFA_HRTF, SofaFree> sofa(mysofa_load(path.c_str(), &err));
    if (!sofa || err != MYSOFA_OK) throw HrirFileError(path, MysofaReason(err));
    MYSOFA_HRTF& h = *sofa;

    const char* conventions = mysofa_getAttribute(h.attributes, const_cast<char*>("SOFAConventions"));
    if (!conventions || std::strcmp(conventions, "SimpleFreeFieldHRIR") != 0)
        throw HrirFileError(path, std::string("SOFA convention ") + (conventions ? conventions : "(none)") +
                                      ", not SimpleFreeFieldHRIR");
    err = mysofa_check(sofa.get());
    if (err != MYSOFA_OK) throw HrirFileError(path, MysofaReason(err));
    if (h.R != 2) throw HrirFileError(path, std::to_string(h.R) + " receivers, not two ears");
    if (h.M == 0 || h.N == 0 || h.DataIR.elements < size_t(h.M) * h.R * h.N)
        throw HrirFileError(path, "empty responses (no measurements)");
    if (h.SourcePosition.elements < size_t(h.M) * 3) throw HrirFileError(path, "source positions missing");
    if (h.DataSamplingRate.elements < 1 || !(h.DataSamplingRate.values[0] > 0.0f))
        throw HrirFileError(path, "no sampling rate");

    const char* type = mysofa_getAttribute(h.SourcePosition.attributes, const_cast<char*>("Type"));
    const bool spherical = !type || std::strcmp(type, "cartesian") != 0;

    HrirSet set;
    set.rate = h.DataSamplingRate.values[0];
    for (int s = 0; s < HrirSet::kSpeakers; ++s) {
        const double az = kSpeakerAzimuth[s] * std::numbers::pi / 180.0;
        const std::array<double, 3> want{std::cos(az), std::sin(az), 0.0};
        unsigned best = 0;
        double bestCos = -2.0;
        for (unsigned m = 0; m < h.M; ++m) {
            const auto d = Direction(h.SourcePosition.values + size_t(m) * 3, spherical);
            const double c = d[0] * want[0] + d[1] * want[1] + d[2] * want[2];
            if (c > bestCos) {
                bestCos = c;
                best = m;
            }
        }
        for (unsigned r = 0; r < 2; ++r) {
            double delay = 0.0;
            if (h.DataDelay.elements == size_t(h.M) * 2)
                delay = h.DataDelay.values[size_t(best) * 2 + r];
            else if (h.DataDelay.elements == 2)
                delay = h.DataDelay.values[r];
            const size_t lead = delay > 0.0 ? size_t(std::lround(delay)) : 0;
            std::vector<float>& out = set.taps[size_t(s)][r];
            out.assign(lead + h.N, 0.0f);
            const float* ir = h.DataIR.values + (size_t(best) * h.R + r) * h.N;
            std::copy_n(ir, h.N, out.begin() + long(lead));
        }
    }
    CheckNotSilent(path, set);
    return set;
}

HrirSet LoadHrirFile(const std::string& path) {
    CheckReadable(path);
    return LooksLikeHdf5(path) ? LoadSofa(path) : LoadHeSuViWav(path);
}
